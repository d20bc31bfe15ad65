# The Debian package: `cmake --build <dir> --target package` (configure with PLATTERA_TESTS=OFF).
# What the package holds beyond the program and its desktop files: the AppStream metadata, the
# manual page and the documentation files Debian expects, the last two compressed as policy asks.

set(PLATTERA_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(PLATTERA_APPSTREAM_ID org.example.plattera)

install(FILES ${CMAKE_SOURCE_DIR}/resources/${PLATTERA_APPSTREAM_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian versions carry three parts; the project's own version is major.minor.
set(PLATTERA_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
set(PLATTERA_PACKAGE_VERSION ${PLATTERA_VERSION}.0)

# The manual page takes the version from the project. The changelog and the AppStream release
# list are histories, one entry per release, so they stay written by hand; their newest entry
# must name this version, or the package would contradict itself.
configure_file(${PLATTERA_PACKAGING_DIR}/plattera.1.in ${CMAKE_BINARY_DIR}/packaging/plattera.1 @ONLY)
file(STRINGS ${PLATTERA_PACKAGING_DIR}/changelog plattera_changelog_top LIMIT_COUNT 1)
string(REGEX MATCH "\\(([^)]*)\\)" plattera_match "${plattera_changelog_top}")
set(plattera_changelog_version "${CMAKE_MATCH_1}")
file(READ ${CMAKE_SOURCE_DIR}/resources/${PLATTERA_APPSTREAM_ID}.metainfo.xml plattera_metainfo)
string(REGEX MATCH "<release version=\"([^\"]*)\"" plattera_match "${plattera_metainfo}")
set(plattera_release_version "${CMAKE_MATCH_1}")
if(NOT plattera_changelog_version STREQUAL PLATTERA_PACKAGE_VERSION
   OR NOT plattera_release_version STREQUAL PLATTERA_PACKAGE_VERSION)
  message(FATAL_ERROR "packaging/changelog (${plattera_changelog_version}) and the metainfo's "
    "newest release (${plattera_release_version}) must name ${PLATTERA_PACKAGE_VERSION}, "
    "the project's version")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PLATTERA_PACKAGING_DIR}/changelog ${CMAKE_SOURCE_DIR}/resources/${PLATTERA_APPSTREAM_ID}.metainfo.xml)

# gzip -n keeps the name and time out of the archive, so the package is the same at every build.
set(plattera_gzipped)
foreach(doc_source ${CMAKE_BINARY_DIR}/packaging/plattera.1 ${PLATTERA_PACKAGING_DIR}/changelog)
  get_filename_component(doc ${doc_source} NAME)
  set(out ${CMAKE_BINARY_DIR}/packaging/${doc}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND gzip -9nc ${doc_source} > ${out}
    DEPENDS ${doc_source} VERBATIM)
  list(APPEND plattera_gzipped ${out})
endforeach()
add_custom_target(plattera_docs ALL DEPENDS ${plattera_gzipped})
install(FILES ${CMAKE_BINARY_DIR}/packaging/plattera.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz ${PLATTERA_PACKAGING_DIR}/copyright
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/plattera)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME plattera)
set(CPACK_PACKAGE_VERSION ${PLATTERA_PACKAGE_VERSION})
set(CPACK_PACKAGE_VENDOR "The Plattera developers")
set(CPACK_PACKAGE_CONTACT "Plattera maintainers <maintainers@plattera.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "make the paper inserts of a CD jewel case")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Plattera makes the front insert and the back tray card, with its two spines,\n\
of a CD jewel case. Type the artist, the title and the numbered tracks, pick\n\
fonts, colours and pictures (JPEG, PNG, WebP, GIF, BMP, ICO, EMF or WMF),\n\
switch the cut and fold outlines on or off, and print both inserts on one page\n\
at their physical size.")
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
