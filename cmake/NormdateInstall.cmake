# Installation: the library, its headers under include/normdate/, a CMake
# package (find_package(normdate 1.2 CONFIG) gives normdate::normdate, and
# normdate::zone with COMPONENTS zone) and pkg-config files.
include(CMakePackageConfigHelpers)

set(normdate_cmake_dir "${CMAKE_INSTALL_LIBDIR}/cmake/normdate")

# Three components: `runtime` (the shared library), `development` (headers,
# packages, the link name or static archive) and `program` (the
# demonstration program); `cmake --install <build> --component <name>`.
install(
  TARGETS normdate
  EXPORT normdateTargets
  RUNTIME COMPONENT runtime
  LIBRARY COMPONENT runtime NAMELINK_COMPONENT development
  ARCHIVE COMPONENT development
  FILE_SET HEADERS COMPONENT development)
install(EXPORT normdateTargets NAMESPACE normdate:: DESTINATION ${normdate_cmake_dir}
        COMPONENT development)

# The time-zone component: its own export set, so that the package loads it
# (and finds abseil) only where it was built.
if(TARGET normdate_zone)
  install(
    TARGETS normdate_zone
    EXPORT normdateZoneTargets
    RUNTIME COMPONENT runtime
    LIBRARY COMPONENT runtime NAMELINK_COMPONENT development
    ARCHIVE COMPONENT development
    FILE_SET HEADERS COMPONENT development)
  install(EXPORT normdateZoneTargets NAMESPACE normdate:: DESTINATION ${normdate_cmake_dir}
          COMPONENT development)
endif()

configure_package_config_file("${CMAKE_CURRENT_LIST_DIR}/normdateConfig.cmake.in"
                              "${PROJECT_BINARY_DIR}/normdateConfig.cmake"
                              INSTALL_DESTINATION ${normdate_cmake_dir})
write_basic_package_version_file("${PROJECT_BINARY_DIR}/normdateConfigVersion.cmake"
                                 COMPATIBILITY SameMajorVersion)
install(FILES "${PROJECT_BINARY_DIR}/normdateConfig.cmake"
              "${PROJECT_BINARY_DIR}/normdateConfigVersion.cmake"
        DESTINATION ${normdate_cmake_dir} COMPONENT development)

# A static library's consumers must see its export macro expand to nothing.
if(BUILD_SHARED_LIBS)
  set(NORMDATE_PC_CFLAGS "")
else()
  set(NORMDATE_PC_CFLAGS "-DNORMDATE_STATIC_DEFINE")
endif()
# Relative to the .pc file, so that the installed tree can be moved.
file(RELATIVE_PATH NORMDATE_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
configure_file("${CMAKE_CURRENT_LIST_DIR}/normdate.pc.in" "${PROJECT_BINARY_DIR}/normdate.pc" @ONLY)
install(FILES "${PROJECT_BINARY_DIR}/normdate.pc" DESTINATION "${CMAKE_INSTALL_LIBDIR}/pkgconfig"
        COMPONENT development)
# A shared zone library links abseil itself; a static one leaves that to
# every program linked with it, so there abseil is required outright, not
# only for --static links.
if(TARGET normdate_zone)
  if(BUILD_SHARED_LIBS)
    set(NORMDATE_ZONE_PC_CFLAGS "")
    set(NORMDATE_ZONE_PC_REQUIRES "")
    set(NORMDATE_ZONE_PC_REQUIRES_PRIVATE "absl_time")
  else()
    set(NORMDATE_ZONE_PC_CFLAGS "-DNORMDATE_ZONE_STATIC_DEFINE")
    set(NORMDATE_ZONE_PC_REQUIRES ", absl_time")
    set(NORMDATE_ZONE_PC_REQUIRES_PRIVATE "")
  endif()
  configure_file("${CMAKE_CURRENT_LIST_DIR}/normdate-zone.pc.in"
                 "${PROJECT_BINARY_DIR}/normdate-zone.pc" @ONLY)
  install(FILES "${PROJECT_BINARY_DIR}/normdate-zone.pc"
          DESTINATION "${CMAKE_INSTALL_LIBDIR}/pkgconfig" COMPONENT development)
endif()

if(TARGET normdate-demo)
  install(TARGETS normdate-demo COMPONENT program)
endif()
