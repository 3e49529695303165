# Installation and packages.
#
# Installed layout (PREFIX/...):
#   bin/                        the tools, and quillon as a link to its folder
#   LIBDIR/cantrel/             cantrel.ocx, the platform libraries, the
#                               service and the real-drive backend (private)
#   LIBDIR/cantrel/quillon/     Quillon, where its firmware file may lie
#   include/cantrel/, LIBDIR/pkgconfig/cantrel.pc, LIBDIR/cmake/Cantrel/
#   share/man/man1, share/applications, share/icons/hicolor, share/doc/cantrel
# Every run path is relative to the file itself, so the tree may be moved.
#
# Components: runtime and dev (cmake --install, the Debian package) and
# portable (the portable folder only: everything flat in one folder).
include(GNUInstallDirs)

set(CANTREL_INSTALL_PKGLIBDIR ${CMAKE_INSTALL_LIBDIR}/cantrel)
set(CANTREL_INSTALL_QUILLONDIR ${CANTREL_INSTALL_PKGLIBDIR}/quillon)

# Relative paths between installed folders, worked out on a made-up root.
function(_cantrel_relative out from to)
  file(RELATIVE_PATH _r /root_/${from} /root_/${to})
  if(_r STREQUAL "")
    set(_r .)
  endif()
  set(${out} ${_r} PARENT_SCOPE)
endfunction()
_cantrel_relative(_bin_to_pkglib ${CMAKE_INSTALL_BINDIR} ${CANTREL_INSTALL_PKGLIBDIR})
_cantrel_relative(_bin_to_quillon ${CMAKE_INSTALL_BINDIR} ${CANTREL_INSTALL_QUILLONDIR})
_cantrel_relative(_quillon_to_pkglib ${CANTREL_INSTALL_QUILLONDIR} ${CANTREL_INSTALL_PKGLIBDIR})
_cantrel_relative(CANTREL_PC_TO_PREFIX ${CMAKE_INSTALL_LIBDIR}/pkgconfig "")
_cantrel_relative(CANTREL_CONFIG_TO_PREFIX ${CMAKE_INSTALL_LIBDIR}/cmake/Cantrel "")

# The machine's registry is found from where the registry library lies.
target_compile_definitions(pxreg PRIVATE CANTREL_INSTALL_PKGLIBDIR="${CANTREL_INSTALL_PKGLIBDIR}"
                                         CANTREL_INSTALL_SYSCONFDIR="${CMAKE_INSTALL_SYSCONFDIR}")

set(_programs cantrel discmaster automate regsvr wavtone tlbdump)
set(_libraries pxcom pxreg pxolectl pxolectlqt imapisvc cantrel_ocx)
if(TARGET imapiburn)
  list(APPEND _libraries imapiburn)
endif()

set_target_properties(${_programs} PROPERTIES INSTALL_RPATH "$ORIGIN/${_bin_to_pkglib}")
set_target_properties(${_libraries} PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS ${_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(TARGETS ${_libraries} LIBRARY DESTINATION ${CANTREL_INSTALL_PKGLIBDIR} COMPONENT runtime)

if(TARGET quillon)
  set_target_properties(quillon PROPERTIES INSTALL_RPATH "$ORIGIN/${_quillon_to_pkglib}")
  install(TARGETS quillon RUNTIME DESTINATION ${CANTREL_INSTALL_QUILLONDIR} COMPONENT runtime)
  # The launcher on the PATH is a link: Quillon finds its folder, and the
  # firmware in it, through its resolved executable.
  install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
file(CREATE_LINK \"${_bin_to_quillon}/quillon\" \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/quillon\" SYMBOLIC)"
          COMPONENT runtime)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/quillon.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
          COMPONENT runtime)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor COMPONENT runtime)
endif()

# Manual pages, compressed as Debian wants them.
set(_manpages)
foreach(_page cantrel discmaster automate regsvr)
  configure_file(${CMAKE_SOURCE_DIR}/man/${_page}.1 ${CMAKE_BINARY_DIR}/man/${_page}.1 @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${_page}.1.gz
    COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/man/${_page}.1
    DEPENDS ${CMAKE_BINARY_DIR}/man/${_page}.1
    VERBATIM)
  list(APPEND _manpages ${CMAKE_BINARY_DIR}/man/${_page}.1.gz)
endforeach()
add_custom_target(cantrel_manpages ALL DEPENDS ${_manpages})
install(FILES ${_manpages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)

configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/packaging/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(cantrel_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime)

# ---- For host developers: headers, pkg-config, CMake package, example host.
foreach(_dir platform/com platform/registry)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/${_dir}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/cantrel/${_dir}
          COMPONENT dev FILES_MATCHING PATTERN "*.h")
endforeach()
foreach(_header platform/olectl/COleControlSite.h platform/olectl/CRect.h platform/olectl/OleInterfaces.h
                platform/olectl/WinUser.h platform/imapi/Imapi.h control/interface/CantrelIds.h)
  get_filename_component(_dir ${_header} DIRECTORY)
  install(FILES ${CMAKE_SOURCE_DIR}/${_header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/cantrel/${_dir} COMPONENT dev)
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/generated/platform/Version.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/cantrel/platform COMPONENT dev)
configure_file(${CMAKE_SOURCE_DIR}/packaging/cantrel.pc.in ${CMAKE_BINARY_DIR}/packaging/cantrel.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/cantrel.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
include(CMakePackageConfigHelpers)
configure_file(${CMAKE_SOURCE_DIR}/packaging/CantrelConfig.cmake.in ${CMAKE_BINARY_DIR}/packaging/CantrelConfig.cmake @ONLY)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/packaging/CantrelConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/packaging/CantrelConfig.cmake ${CMAKE_BINARY_DIR}/packaging/CantrelConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Cantrel COMPONENT dev)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples COMPONENT dev)

# ---- The portable folder: program, control, service, their libraries, a
# demonstration firmware file and the registration script, side by side.
set(CANTREL_DEMO_FIRMWARE ${CMAKE_BINARY_DIR}/packaging/fw_1.00.wav)
add_custom_command(OUTPUT ${CANTREL_DEMO_FIRMWARE}
  COMMAND wavtone ${CANTREL_DEMO_FIRMWARE} 5 440
  DEPENDS wavtone
  COMMENT "Making the demonstration firmware file"
  VERBATIM)
if(CANTREL_SANITIZE)
  add_custom_target(cantrel_demo_firmware DEPENDS ${CANTREL_DEMO_FIRMWARE})
else()
  add_custom_target(cantrel_demo_firmware ALL DEPENDS ${CANTREL_DEMO_FIRMWARE})
endif()

set(_portable_programs regsvr cantrel discmaster wavtone)
if(TARGET quillon)
  list(APPEND _portable_programs quillon)
endif()
install(TARGETS ${_portable_programs} ${_libraries}
        RUNTIME DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL
        LIBRARY DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
install(FILES ${CANTREL_DEMO_FIRMWARE} ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
if(TARGET imapiburn)
  install(FILES ${CMAKE_SOURCE_DIR}/platform/imapi/burn/LICENSE DESTINATION . RENAME LICENSE.libimapiburn
          COMPONENT portable EXCLUDE_FROM_ALL)
endif()
install(PROGRAMS ${CMAKE_SOURCE_DIR}/packaging/register.sh DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
# The programs' run path shrinks to their own folder; in place, as the new
# path is shorter.
install(CODE "foreach(_p ${_portable_programs})
  file(RPATH_SET FILE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${_p}\" NEW_RPATH \"\\\$ORIGIN\")
endforeach()" COMPONENT portable EXCLUDE_FROM_ALL)

# ---- Packages: cpack -G DEB, cpack -G TGZ.
set(CANTREL_DEB_PREFIX /usr)
set(CANTREL_SYSTEM_REGISTRY_DEB /etc/cantrel/registry)
set(PKGLIB ${CANTREL_DEB_PREFIX}/${CANTREL_INSTALL_PKGLIBDIR})
set(SYSREG ${CANTREL_SYSTEM_REGISTRY_DEB})
foreach(_script postinst prerm postrm)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/${_script}.in ${CMAKE_BINARY_DIR}/packaging/deb/${_script} @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()

set(CPACK_PACKAGE_NAME cantrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Cantrel developers")
set(CPACK_PACKAGE_CONTACT "Cantrel developers <cantrel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "audio CD burner control and firmware burner")
set(CPACK_PACKAGE_DESCRIPTION "Cantrel is a component library that burns stereo 44100 Hz WAV files as an
audio CD, on real drives or on virtual recorders that write BIN/CUE images.
Quillon, the firmware burner, burns the firmware file lying beside it.
Command-line tools burn, manage recorders and script components.")
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_BINARY_DIR}/packaging/deb/postinst ${CMAKE_BINARY_DIR}/packaging/deb/prerm ${CMAKE_BINARY_DIR}/packaging/deb/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CANTREL_DEB_PREFIX})
configure_file(${CMAKE_SOURCE_DIR}/packaging/CPackOptions.cmake.in ${CMAKE_BINARY_DIR}/packaging/CPackOptions.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/packaging/CPackOptions.cmake)
include(CPack)
