# `make deb` / `cpack -G DEB`: brivane-reader_<version>_amd64.deb for Debian 12.
# Depends comes from dpkg-shlibdeps over the installed binaries. The package
# has no maintainer scripts: the file triggers of shared-mime-info,
# desktop-file-utils, hicolor-icon-theme and man-db refresh their caches when
# our files arrive or leave.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brivane-reader)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Brivane Reader developers")
set(CPACK_PACKAGE_CONTACT "Brivane Reader developers <reader@brivane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reader for flipbook files")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_SET_DESTDIR OFF)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://${BRIVANE_SERVICE_HOST}/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not linked, but asked for at run time: the MIME database that names our
# files, the icon theme our icons extend.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "shared-mime-info, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
# Below the summary line; CPack indents it and marks the empty line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Brivane Reader opens flipbook files (.flip) made by the Brivane publishing
service and shows them as books whose pages turn, without a network
connection. It checks every file before opening it, opens or prints the
book's PDF and opens links in the web browser.

The package also holds brivane-flip, which checks, unpacks and makes
flipbooks on the command line, and a thumbnailer that shows each book's
cover in the file manager.")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# Directories as Debian expects them, whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Debian's documentation files: the copyright and a compressed changelog.
set(doc_dir ${CMAKE_BINARY_DIR}/packaging/doc)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(OUTPUT ${doc_dir}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${doc_dir}
  COMMAND gzip -9n -c ${CMAKE_BINARY_DIR}/packaging/changelog > ${doc_dir}/changelog.gz
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog)
add_custom_target(package-docs ALL DEPENDS ${doc_dir}/changelog.gz)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${doc_dir}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/brivane-reader)

include(CPack)

find_program(DPKG_DEB dpkg-deb)
if(DPKG_DEB)
  add_test(NAME deb-package
    COMMAND bash ${CMAKE_SOURCE_DIR}/packaging/check-deb.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION})
  set_tests_properties(deb-package PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77)
endif()
