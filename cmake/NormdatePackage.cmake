# `cpack -G DEB` in the build directory packs what `cmake --install` installs:
# the library, its headers and packages, and the demonstration program.
set(CPACK_PACKAGE_NAME normdate)
set(CPACK_PACKAGE_VENDOR "normdate developers")
set(CPACK_PACKAGE_CONTACT "normdate developers <normdate@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
