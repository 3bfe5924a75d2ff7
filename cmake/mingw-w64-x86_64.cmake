# Cross-builds for 64-bit Windows with Debian's mingw-w64 (posix thread model,
# which has std::thread and std::mutex), into executables that need no DLL
# but the system's: the C and C++ runtimes and winpthreads are linked in, and
# FFmpeg is linked statically from AVIAVG_FFMPEG_PREFIX (made by
# scripts/build-ffmpeg-windows).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${AVIAVG_FFMPEG_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# FFmpeg's .pc files, and with them the libraries a static link needs too
# (zlib, bcrypt, ...); the machine's own .pc files are for Linux.
set(ENV{PKG_CONFIG_LIBDIR} "${AVIAVG_FFMPEG_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(PKG_CONFIG_ARGN --static)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES AVIAVG_FFMPEG_PREFIX)
