# Runs in CPack's staging folder before the .deb is made. Debian keeps
# manual pages gzipped with -9n (no name or time stamp inside, so the same
# page gives the same bytes) and wants a copyright file and a changelog in
# /usr/share/doc/PACKAGE; `cmake --install` puts none of that in place.
set(root ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})

# CPack has stripped the programs already; Debian also drops the compiler's
# .comment and .note sections. Scripts (quarnex-open) are left as they are.
file(GLOB programs ${root}/bin/*)
foreach(program IN LISTS programs)
  file(READ ${program} magic LIMIT 4 HEX)
  if(NOT magic STREQUAL "7f454c46")
    continue()
  endif()
  execute_process(COMMAND strip --remove-section=.comment --remove-section=.note ${program}
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "strip failed on ${program}")
  endif()
endforeach()

file(GLOB_RECURSE pages ${root}/share/man/*)
foreach(page IN LISTS pages)
  if(NOT page MATCHES "\\.gz$")
    execute_process(COMMAND gzip -9nf ${page} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "gzip failed on ${page}")
    endif()
  endif()
endforeach()

# The changelog's newest entry must name the version being packaged: a
# raised version without an entry is stopped here.
file(READ ${CPACK_QUARNEX_DEBIAN_DIR}/changelog text LIMIT 200)
string(REGEX MATCH "^[^\n]*" first_line "${text}")
set(expected "${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) ")
string(FIND "${first_line}" "${expected}" at)
if(NOT at EQUAL 0)
  message(FATAL_ERROR "packaging/debian/changelog starts with '${first_line}', "
                      "not with an entry for '${expected}'")
endif()

set(doc ${root}/share/doc/${CPACK_PACKAGE_NAME})
# file(COPY), not file(INSTALL): CPack has set DESTDIR, which INSTALL would
# put in front of the staging path a second time.
file(COPY ${CPACK_QUARNEX_DEBIAN_DIR}/copyright ${CPACK_QUARNEX_DEBIAN_DIR}/changelog
     DESTINATION ${doc} FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
# The package is native (made by its own developers; the version has no
# Debian revision), so its changelog is changelog.gz, not changelog.Debian.gz.
execute_process(COMMAND gzip -9nf ${doc}/changelog RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${doc}/changelog")
endif()
