# Installation: the shared library with its SONAME, the public header, mxpconvert and its man
# page, a CMake package (find_package(Mirtabel) gives Mirtabel::mirtabel) and a pkg-config file.
# Every destination is relative to the install prefix unless the user set an absolute one, so
# `cmake --install build --prefix DIR` puts a working package anywhere.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(MIRTABEL_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Mirtabel CACHE STRING
    "Where the CMake package files go, relative to the install prefix")
set(MIRTABEL_INSTALL_PKGCONFIGDIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig CACHE STRING
    "Where mirtabel.pc goes, relative to the install prefix")

# The internal static libraries are linked into the shared library and are no part of its
# interface, so only the library itself is exported.
install(TARGETS mirtabel
  EXPORT MirtabelTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Runtime
          NAMELINK_COMPONENT Development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/exports/mirtabel.h ${PROJECT_SOURCE_DIR}/exports/mirtabel_fixed.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT Development)

if(TARGET mxpconvert)
  install(TARGETS mxpconvert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
  install(FILES ${PROJECT_SOURCE_DIR}/host/mxpconvert.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Runtime)
endif()

install(EXPORT MirtabelTargets
  NAMESPACE Mirtabel::
  FILE MirtabelTargets.cmake
  DESTINATION ${MIRTABEL_INSTALL_CMAKEDIR}
  COMPONENT Development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/MirtabelConfig.cmake.in
  ${PROJECT_BINARY_DIR}/MirtabelConfig.cmake
  INSTALL_DESTINATION ${MIRTABEL_INSTALL_CMAKEDIR})
# Versions with the same major number keep the API: a newer minor serves a request for an older.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/MirtabelConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/MirtabelConfig.cmake
              ${PROJECT_BINARY_DIR}/MirtabelConfigVersion.cmake
  DESTINATION ${MIRTABEL_INSTALL_CMAKEDIR} COMPONENT Development)

# mirtabel.pc names its directories relative to its own place (${pcfiledir}) when they lie
# under the prefix, so the package still works when installed with another --prefix than the one
# configured; an absolute directory is written as it is.
function(_mirtabel_pc_dir variable dir)
  if(IS_ABSOLUTE "${dir}")
    set(${variable} "${dir}" PARENT_SCOPE)
  else()
    set(${variable} "\${prefix}/${dir}" PARENT_SCOPE)
  endif()
endfunction()
if(IS_ABSOLUTE "${MIRTABEL_INSTALL_PKGCONFIGDIR}")
  set(MIRTABEL_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  # From the .pc file's directory back up to the prefix: one ".." per path component.
  string(REGEX REPLACE "[^/]+" ".." _up "${MIRTABEL_INSTALL_PKGCONFIGDIR}")
  set(MIRTABEL_PC_PREFIX "\${pcfiledir}/${_up}")
endif()
_mirtabel_pc_dir(MIRTABEL_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
_mirtabel_pc_dir(MIRTABEL_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
# The library's link name: Windows builds name the DLL Mirtabel.
get_target_property(MIRTABEL_PC_LIBNAME mirtabel OUTPUT_NAME)
if(NOT MIRTABEL_PC_LIBNAME)
  set(MIRTABEL_PC_LIBNAME mirtabel)
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/mirtabel.pc.in ${PROJECT_BINARY_DIR}/mirtabel.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/mirtabel.pc
  DESTINATION ${MIRTABEL_INSTALL_PKGCONFIGDIR} COMPONENT Development)
