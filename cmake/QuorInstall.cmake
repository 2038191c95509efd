# Install rules: the two libraries, their headers, the CMake package
# (find_package(QuorInterfaces CONFIG) gives Quor::interfaces, Quor::zolog,
# Quor::inspect, quor_add_version_record(), quor_add_manager_module() and
# quor_target_runtime()), pkg-config files, the docs, the demo and, in the
# Windows build, the MinGW-w64 toolchain file for cross-building consumers.
# Every path in them is relative to the prefix, so an installation may be moved.
include(CMakePackageConfigHelpers)

if(NOT WIN32)
  # Each library finds the other beside itself, wherever the prefix is moved.
  set_target_properties(quor-interfaces zologu64 PROPERTIES INSTALL_RPATH "$ORIGIN")
endif()

install(TARGETS quor-interfaces zologu64
  EXPORT QuorInterfacesTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(WIN32)
  install(FILES ${QUOR_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/quor
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${QUOR_GENERATED_INCLUDE_DIR}/quor/version.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quor)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/zolog/include/zolog
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(EXPORT QuorInterfacesTargets
  NAMESPACE Quor::
  DESTINATION ${QUOR_INSTALL_CMAKEDIR})
# What the package's config file tells quor_add_manager_module() and
# quor_target_runtime(): the library's folder below the prefix and the GCC
# runtime DLLs installed beside it.
set(QUOR_LIBRARY_DESTINATION "${QUOR_MANAGER_MODULE_DESTINATION}")
set(QUOR_RUNTIME_DLL_NAMES "")
foreach(dll IN LISTS QUOR_RUNTIME_DLLS)
  get_filename_component(name "${dll}" NAME)
  list(APPEND QUOR_RUNTIME_DLL_NAMES "${name}")
endforeach()
configure_package_config_file(
  ${PROJECT_SOURCE_DIR}/cmake/QuorInterfacesConfig.cmake.in
  ${PROJECT_BINARY_DIR}/QuorInterfacesConfig.cmake
  INSTALL_DESTINATION ${QUOR_INSTALL_CMAKEDIR})
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/QuorInterfacesConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/QuorInterfacesConfig.cmake
  ${PROJECT_BINARY_DIR}/QuorInterfacesConfigVersion.cmake
  ${PROJECT_SOURCE_DIR}/cmake/QuorVersion.cmake
  ${PROJECT_SOURCE_DIR}/cmake/QuorManagerModule.cmake
  DESTINATION ${QUOR_INSTALL_CMAKEDIR})
if(WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/toolchains/mingw-w64-x86_64.cmake
    DESTINATION ${QUOR_INSTALL_CMAKEDIR})
endif()

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES
  ${PROJECT_SOURCE_DIR}/docs/factory-definition-files.md
  ${PROJECT_SOURCE_DIR}/docs/writing-a-manager-module.md
  DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)

# The .pc files locate the prefix from their own place, so the installed tree
# may be moved.
file(RELATIVE_PATH QUOR_PC_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" QUOR_PC_PREFIX "${QUOR_PC_PREFIX}")
foreach(pc quor-interfaces zolog)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/${pc}.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()

include(QuorPackage)
