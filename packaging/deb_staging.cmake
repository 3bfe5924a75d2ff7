# Runs inside cpack between the staging install and the packing: gives the
# staged tree the layout Debian policy asks for. The manual page is
# compressed (gzip -9n: no name or time stamp, so the bytes repeat), and
# the copyright file and the changelog go to /usr/share/doc/aviavg.
# `make install` keeps the plain page and no Debian files.

# The changelog's newest entry names the version the package carries.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/changelog newest_entry LIMIT_COUNT 1)
if(NOT newest_entry MATCHES "^aviavg \\(${CPACK_PACKAGE_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog starts with \"${newest_entry}\": "
    "give version ${CPACK_PACKAGE_VERSION} an entry of its own at the top")
endif()

set(usr ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
set(doc ${usr}/share/doc/${CPACK_PACKAGE_NAME})

function(gzip_in_place file)
  execute_process(COMMAND gzip -9nf ${file} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip -9nf ${file} failed: ${status}")
  endif()
endfunction()

file(GLOB man_pages ${usr}/share/man/man*/*)
if(NOT man_pages)
  message(FATAL_ERROR "no manual page staged under ${usr}/share/man")
endif()
foreach(page IN LISTS man_pages)
  gzip_in_place(${page})
endforeach()

# file(COPY), not file(INSTALL): cpack has DESTDIR set to the staged tree.
file(COPY ${CMAKE_CURRENT_LIST_DIR}/copyright ${CMAKE_CURRENT_LIST_DIR}/changelog
  DESTINATION ${doc} FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
gzip_in_place(${doc}/changelog)
