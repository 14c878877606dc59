# Install rules (cmake --install): the public headers, the shared library
# with its soname links, the static library, velmora.pc, the CMake package
# (find_package(velmora) gives velmora::velmora and velmora::velmora_static),
# the programs, their manual pages, and gridcinema's desktop entry and icons.
# Components: runtime, development, velmora, gridcinema.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(FILES ${PROJECT_SOURCE_DIR}/include/velmora.h ${PROJECT_SOURCE_DIR}/include/velmora_codes.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
install(TARGETS velmora LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
        NAMELINK_COMPONENT development)
install(TARGETS velmora_static ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)

# What a static link needs beyond libvelmora.a, as -l flags in link order
# (a library before those it uses): the libraries found above, the C++
# runtime and threads.
set(_vel_static_libs)
foreach(_lib IN LISTS MINIZIP_LIBRARIES PNG_LIBRARIES JPEG_LIBRARIES EXPAT_LIBRARIES DEFLATE_LIBRARIES
                      ZLIB_LIBRARIES)
  if(IS_ABSOLUTE "${_lib}")
    get_filename_component(_lib "${_lib}" NAME_WE)
    string(REGEX REPLACE "^lib" "" _lib "${_lib}")
  endif()
  list(APPEND _vel_static_libs ${_lib})
endforeach()
list(APPEND _vel_static_libs stdc++ m)
# Keep the last mention of each, so that zlib follows everything that uses it.
list(REVERSE _vel_static_libs)
list(REMOVE_DUPLICATES _vel_static_libs)
list(REVERSE _vel_static_libs)
list(TRANSFORM _vel_static_libs PREPEND "-l" OUTPUT_VARIABLE _vel_pc_libs)
list(APPEND _vel_pc_libs -pthread)
list(JOIN _vel_pc_libs " " VEL_PC_LIBS_PRIVATE)

# velmora.pc names the prefix it is installed under (cmake --install
# --prefix may differ from the configured one), so it is written at install
# time from a template in which everything else is already filled in.
set(VEL_PC_PREFIX "@VEL_PC_PREFIX@")
configure_file(${CMAKE_CURRENT_LIST_DIR}/velmora.pc.in ${PROJECT_BINARY_DIR}/velmora.pc.in @ONLY)
install(CODE "set(VEL_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  configure_file(\"${PROJECT_BINARY_DIR}/velmora.pc.in\" \"${PROJECT_BINARY_DIR}/velmora.pc\" @ONLY)"
  COMPONENT development)
install(FILES ${PROJECT_BINARY_DIR}/velmora.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT development)

# The CMake package finds its files relative to where it is installed.
set(VEL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/velmora)
set(VEL_SOVERSION 2)
set(VEL_STATIC_LINK_LIBRARIES ${_vel_static_libs})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/velmoraConfig.cmake.in
  ${PROJECT_BINARY_DIR}/velmoraConfig.cmake INSTALL_DESTINATION ${VEL_CMAKE_DIR}
  PATH_VARS CMAKE_INSTALL_INCLUDEDIR CMAKE_INSTALL_LIBDIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/velmoraConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/velmoraConfig.cmake ${PROJECT_BINARY_DIR}/velmoraConfigVersion.cmake
        DESTINATION ${VEL_CMAKE_DIR} COMPONENT development)

# The programs and their manual pages.
install(TARGETS velmora_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT velmora)
install(FILES ${PROJECT_SOURCE_DIR}/man/velmora.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT velmora)
if(TARGET gridcinema)
  install(TARGETS gridcinema RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT gridcinema)
  install(FILES ${PROJECT_SOURCE_DIR}/man/gridcinema.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT gridcinema)
  add_subdirectory(${PROJECT_SOURCE_DIR}/desktop ${PROJECT_BINARY_DIR}/desktop)
endif()
