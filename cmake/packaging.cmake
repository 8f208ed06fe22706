# Packages, made by CPack from what the install rules put in place: a .deb on
# Linux (every program, manual page and desktop file that `cmake --install`
# installs), and
# on Windows a zip with the programs and a README.txt side by side.
# scripts/package.sh makes all three.
set(CPACK_PACKAGE_NAME quarnex)
set(CPACK_PACKAGE_VENDOR "the quarnex developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "list, extract and convert .pdi disc image sets")
set(CPACK_STRIP_FILES ON)
set(QUARNEX_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR}/../packaging)

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(quarnex_zip_system win64)
  else()
    set(quarnex_zip_system win32)
  endif()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME quarnex-${PROJECT_VERSION}-${quarnex_zip_system})
  # The files sit at the top of the zip: Windows' "Extract All" already
  # makes a folder named after it.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  # Notepad of older Windows shows a file with bare LF ends as one line.
  configure_file(${QUARNEX_PACKAGING_DIR}/windows/README.txt.in README.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt DESTINATION ${QUARNEX_INSTALL_BINDIR})
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(QUARNEX_MAINTAINER "the quarnex developers <maintainers@users.noreply.c-seed-382a3e4a.example>"
    CACHE STRING "Maintainer field of the .deb")
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QUARNEX_MAINTAINER})
  # Dependencies come from the libraries the programs are linked with.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  if(TARGET quarnex-mount)
    # A user mounts through fusermount3, which no library pulls in.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS fuse3)
    # quarnex-open, which the desktop runs on a set, opens the folder with
    # gio or xdg-open and tells a failure with notify-send or zenity; the
    # file type and the entry are made known by shared-mime-info's and
    # desktop-file-utils' triggers.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
      "libglib2.0-bin | xdg-utils, libnotify-bin | zenity, shared-mime-info, desktop-file-utils")
    set(CPACK_DEBIAN_PACKAGE_SUGGESTS bash-completion)
  endif()
  file(READ ${QUARNEX_PACKAGING_DIR}/debian/description CPACK_DEBIAN_PACKAGE_DESCRIPTION)
  string(STRIP "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}" CPACK_DEBIAN_PACKAGE_DESCRIPTION)
  # Debian's own files (copyright, changelog) and gzipped manual pages are
  # added to the staging folder, so `cmake --install` stays plain.
  set(CPACK_PRE_BUILD_SCRIPTS ${QUARNEX_PACKAGING_DIR}/debian/staging.cmake)
  set(CPACK_QUARNEX_DEBIAN_DIR ${QUARNEX_PACKAGING_DIR}/debian)
endif()

include(CPack)
