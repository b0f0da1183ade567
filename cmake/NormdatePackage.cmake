# `cpack -G DEB` in a build directory of the `package` preset makes three
# Debian packages from the install components:
#   libnormdate1     runtime      the shared libraries (with the zone component,
#                                 which needs abseil's runtime and recommends tzdata)
#   libnormdate-dev  development  headers, the CMake and pkg-config packages,
#                                 the library's link name (or the static archive)
#   normdate-demo    program      the demonstration program
set(CPACK_PACKAGE_NAME normdate)
set(CPACK_PACKAGE_VENDOR "normdate developers")
set(CPACK_PACKAGE_CONTACT "normdate developers <normdate@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development program)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The program's own library is not yet installed when its dependencies are
# worked out; it is found here, and named in the dependencies below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${PROJECT_BINARY_DIR}/src/core")

set(normdate_runtime_package libnormdate${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${normdate_runtime_package})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "${PROJECT_DESCRIPTION}: shared library")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libnormdate-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "${PROJECT_DESCRIPTION}: development files")

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME normdate-demo)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_PROGRAM_DESCRIPTION "${PROJECT_DESCRIPTION}: demonstration program")

# A static build has no runtime package to depend on. abseil's runtime
# libraries are found by the shared-library dependencies; abseil's
# development files (which the zone component's CMake and pkg-config
# packages ask for) are named here, and the system's zone database, which
# answers before the copy built in where it is installed, is recommended.
set(normdate_development_depends "")
if(BUILD_SHARED_LIBS)
  set(normdate_runtime_exact "${normdate_runtime_package} (= ${PROJECT_VERSION})")
  list(APPEND normdate_development_depends "${normdate_runtime_exact}")
  set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS "${normdate_runtime_exact}")
endif()
if(TARGET normdate_zone)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "tzdata")
  list(APPEND normdate_development_depends "libabsl-dev")
endif()
list(JOIN normdate_development_depends ", " CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS)
include(CPack)
