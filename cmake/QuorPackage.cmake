# Packages of the install tree: `cpack` in a build folder makes a .deb on
# Linux (the library, headers, CMake package, pkg-config files, quor-inspect,
# the docs and the demo) and a .zip in the Windows build (the same, with the
# DLLs, their import libraries and the GCC runtime DLLs). Their contents are
# relocatable as the install tree is: the .deb's files may be unpacked
# anywhere (dpkg-deb -x) and used from there.
set(CPACK_PACKAGE_NAME quor-interfaces)
set(CPACK_PACKAGE_VENDOR quor)
set(CPACK_PACKAGE_CONTACT "quor-interfaces maintainers <quor-interfaces@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_RESOURCE_FILE_README "${PROJECT_SOURCE_DIR}/README.md")
set(CPACK_PACKAGE_CHECKSUM SHA256)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "quor-interfaces-${PROJECT_VERSION}-win64")
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION libs)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
endif()
include(CPack)
