# The Debian package: `cmake --build <dir> --target package` (configure with PLATTERA_TESTS=OFF).
# What the package holds beyond the program and its desktop files: the AppStream metadata, the
# manual page and the documentation files Debian expects, the last two compressed as policy asks.

set(PLATTERA_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(PLATTERA_APPSTREAM_ID org.example.plattera)

install(FILES ${CMAKE_SOURCE_DIR}/resources/${PLATTERA_APPSTREAM_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# gzip -n keeps the name and time out of the archive, so the package is the same at every build.
set(plattera_gzipped)
foreach(doc plattera.1 changelog)
  set(out ${CMAKE_BINARY_DIR}/packaging/${doc}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND gzip -9nc ${PLATTERA_PACKAGING_DIR}/${doc} > ${out}
    DEPENDS ${PLATTERA_PACKAGING_DIR}/${doc} VERBATIM)
  list(APPEND plattera_gzipped ${out})
endforeach()
add_custom_target(plattera_docs ALL DEPENDS ${plattera_gzipped})
install(FILES ${CMAKE_BINARY_DIR}/packaging/plattera.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz ${PLATTERA_PACKAGING_DIR}/copyright
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/plattera)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME plattera)
# Debian versions carry three parts; the project's own version is major.minor.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0)
set(CPACK_PACKAGE_VENDOR "The Plattera developers")
set(CPACK_PACKAGE_CONTACT "Plattera maintainers <maintainers@plattera.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "make the paper inserts of a CD jewel case")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Plattera makes the front insert and the back tray card, with its two spines,\n\
of a CD jewel case. Type the artist, the title and the numbered tracks, pick\n\
fonts, colours and pictures (JPEG, GIF, BMP, ICO, EMF or WMF), switch the cut\n\
and fold outlines on or off, and print both inserts on one page at their\n\
physical size.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://plattera.example.org/")
# Library dependencies come from the binary (dpkg-shlibdeps); the fonts with Arial's metrics
# are read at run time and so must be named.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, fonts-symbola")
set(CPACK_STRIP_FILES ON)
include(CPack)
