# SPDX-License-Identifier: Apache-2.0
# What `cmake --install` puts where (GNUInstallDirs), in three components that the
# Debian packages follow (cmake/Package.cmake):
#   app      the tools, the component in its private folder, its texts and sample, the
#            host's icon, menu entry and metainfo, manual pages, bash completion
#   runtime  libOrvAutomation.so.N, the automation runtime that hosts link
#   dev      its headers, its development link and the CMake package OrvFields
#            (find_package(OrvFields) -> OrvFields::Automation)
# RUNPATHs are relative to the binary ($ORIGIN), so an installed tree works wherever
# it is moved and never reaches back into the build tree.
include(CMakePackageConfigHelpers)

set_target_properties(orvfields orvfields-host orvfields-regsvr PROPERTIES
    INSTALL_RPATH "$ORIGIN/${ORVFIELDS_BIN_TO_LIB}")
set_target_properties(OrvFields PROPERTIES INSTALL_RPATH "$ORIGIN/..")

# Libraries are not executable (Debian policy); the tools are.
set(ORV_LIBRARY_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(TARGETS orvfields orvfields-host orvfields-regsvr
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT app)
# A plug-in, loaded by its path in the registry and linked by no one: its name needs
# no version.
install(TARGETS OrvFields
    LIBRARY DESTINATION ${ORVFIELDS_INSTALL_COMPONENTDIR} COMPONENT app
    PERMISSIONS ${ORV_LIBRARY_PERMISSIONS})
install(TARGETS OrvAutomation EXPORT OrvFieldsTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
        PERMISSIONS ${ORV_LIBRARY_PERMISSIONS}
    PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orvfields/automation COMPONENT dev)

set(ORV_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/OrvFields)
install(EXPORT OrvFieldsTargets NAMESPACE OrvFields:: DESTINATION ${ORV_CMAKE_DIR}
    COMPONENT dev)
configure_package_config_file(cmake/OrvFieldsConfig.cmake.in
    ${PROJECT_BINARY_DIR}/OrvFieldsConfig.cmake INSTALL_DESTINATION ${ORV_CMAKE_DIR})
# The package's version is the runtime's binary interface (its SOVERSION), so that a
# host written for another one is refused by find_package, not by its compiler.
get_target_property(ORV_AUTOMATION_SOVERSION OrvAutomation SOVERSION)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/OrvFieldsConfigVersion.cmake
    VERSION ${ORV_AUTOMATION_SOVERSION}.0 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/OrvFieldsConfig.cmake
    ${PROJECT_BINARY_DIR}/OrvFieldsConfigVersion.cmake
    DESTINATION ${ORV_CMAKE_DIR} COMPONENT dev)

# The component finds its texts here from its own folder (Platform::DataFolder), and
# the host its sample (HostOptions::samplePublication).
install(FILES translations/OrvFields.eng translations/OrvFields.fre
    DESTINATION ${ORVFIELDS_INSTALL_DATADIR} COMPONENT app)
install(DIRECTORY ${PROJECT_BINARY_DIR}/examples/sample/
    DESTINATION ${ORVFIELDS_INSTALL_DATADIR}/sample COMPONENT app)

# The host on the desktop: the dialog's icon is the application's.
set(ORV_APP_ID org.orvfields.OrvFieldsHost)
foreach(size 16 32 48 64 128 256)
    install(FILES src/dialog/icons/frmMain-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME ${ORV_APP_ID}.png COMPONENT app)
endforeach()
install(FILES host/${ORV_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT app)
install(FILES host/${ORV_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT app)

# Manual pages (compressed, as man reads them everywhere) and the bash completion,
# whichever of them exist: the globs are checked again at every build. The pages take
# the project's version (@PROJECT_VERSION@) from here.
file(GLOB ORV_MAN_PAGES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/*.1)
set(ORV_MAN_GZ "")
foreach(page IN LISTS ORV_MAN_PAGES)
    get_filename_component(name ${page} NAME)
    configure_file(${page} ${PROJECT_BINARY_DIR}/man/${name} @ONLY)
    set(gz ${PROJECT_BINARY_DIR}/man/${name}.gz)
    add_custom_command(OUTPUT ${gz}
        COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh ${PROJECT_BINARY_DIR}/man/${name} ${gz}
        DEPENDS ${PROJECT_BINARY_DIR}/man/${name} VERBATIM)
    list(APPEND ORV_MAN_GZ ${gz})
endforeach()
add_custom_target(orv_man ALL DEPENDS ${ORV_MAN_GZ})
install(FILES ${ORV_MAN_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT app)
file(GLOB ORV_COMPLETION CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/cli/orvfields.bash-completion)
if(ORV_COMPLETION)
    install(FILES ${ORV_COMPLETION} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME orvfields COMPONENT app)
endif()
