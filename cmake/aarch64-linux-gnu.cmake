# Cross-builds for 64-bit ARM Linux with Debian's cross compiler, against the
# arm64 packages of a Debian that has the architecture added (multiarch: the
# libraries in /usr/lib/aarch64-linux-gnu, found through arm64's pkg-config).
# What the build runs, the tests among them, runs under QEMU's user-mode
# emulator, which takes the arm64 loader and libraries from under /.
# scripts/check-arm64 uses it in a Debian 13 chroot of its own.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /)
set(PKG_CONFIG_EXECUTABLE aarch64-linux-gnu-pkg-config CACHE FILEPATH "pkg-config of the arm64 packages")
