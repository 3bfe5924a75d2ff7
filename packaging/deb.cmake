# The Debian package, made by CPack's DEB generator (make deb): the program,
# its manual page, the copyright file and the changelog under /usr, the
# binary stripped, the dependencies found by dpkg-shlibdeps from the
# libraries the binary links, so they follow whatever FFmpeg it was built
# against. deb_staging.cmake lays out the Debian-only files.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME aviavg)
set(CPACK_PACKAGE_CONTACT "aviavg maintainers <maintainers@users.noreply.c-seed-9b6643d7.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "average the frames of videos into greyscale bitmaps")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Below the summary line, which CPack puts first.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"For every video file named on its command line, aviavg decodes every
frame of the first video stream, keeps the blue component of each pixel
and writes, as an 8-bit greyscale BMP, the mean of each pixel over all
frames after leaving out one occurrence of its largest value. A bright
thing that passes through the picture in a single frame (a headlight, a
bird, a flash) is wiped out, and the still scene is left.

It reads every container and codec FFmpeg reads.")
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/deb_staging.cmake)
include(CPack)
