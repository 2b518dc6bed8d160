# SPDX-License-Identifier: Apache-2.0
# The Debian packages, one per install component (cmake/Install.cmake), made by
# `cpack -G DEB` in a build configured with -DCMAKE_INSTALL_PREFIX=/usr;
# scripts/package.sh does that and checks them with lintian.
#   orvfields             the tools, the component and its data; the component is
#                         registered for every user on install, unregistered on removal
#   liborvautomation3     the automation runtime, apart so that hosts of other projects
#                         can depend on it alone and two ABI versions can coexist
#   liborvautomation-dev  its headers and the CMake package OrvFields
set(ORVFIELDS_PACKAGE_MAINTAINER "${ORVFIELDS_PUBLISHER} <maintainers@orvfields.example>"
    CACHE STRING "Maintainer field of the Debian packages")
set(ORV_DEBIAN ${PROJECT_SOURCE_DIR}/packaging/debian)

# A native package's version is its changelog's: a new version needs a new entry.
file(STRINGS ${ORV_DEBIAN}/changelog ORV_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT ORV_CHANGELOG_TOP MATCHES "^orvfields \\(${PROJECT_VERSION}\\) ")
    message(WARNING "packaging/debian/changelog does not start with an entry for version "
        "${PROJECT_VERSION}; add one before making packages")
endif()

# Every package carries the copyright and the changelog in share/doc/<package>.
set(ORV_CHANGELOG_GZ ${PROJECT_BINARY_DIR}/debian/changelog.gz)
add_custom_command(OUTPUT ${ORV_CHANGELOG_GZ}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/debian
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh ${ORV_DEBIAN}/changelog ${ORV_CHANGELOG_GZ}
    DEPENDS ${ORV_DEBIAN}/changelog VERBATIM)
add_custom_target(orv_changelog ALL DEPENDS ${ORV_CHANGELOG_GZ})
set(ORV_PACKAGE_app orvfields)
set(ORV_PACKAGE_runtime liborvautomation3)
set(ORV_PACKAGE_dev liborvautomation-dev)
foreach(component app runtime dev)
    install(FILES ${ORV_DEBIAN}/copyright ${ORV_CHANGELOG_GZ}
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${ORV_PACKAGE_${component}}
        COMPONENT ${component})
endforeach()

# The maintainer scripts name the installed component.
set(ORV_COMPONENT_PATH ${CMAKE_INSTALL_FULL_LIBDIR}/orvfields/libOrvFields.so)
foreach(script postinst prerm)
    configure_file(${ORV_DEBIAN}/${script}.in ${PROJECT_BINARY_DIR}/debian/${script}
        @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
        WORLD_READ WORLD_EXECUTE)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvfields)
set(CPACK_PACKAGE_VENDOR ${ORVFIELDS_PUBLISHER})
set(CPACK_PACKAGE_CONTACT ${ORVFIELDS_PACKAGE_MAINTAINER})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL app runtime dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies computed by dpkg-shlibdeps; the runtime, which it cannot see in the
# packages being made, comes from the component dependencies below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/bin)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_APP_PACKAGE_NAME ${ORV_PACKAGE_app})
set(CPACK_DEBIAN_APP_PACKAGE_SECTION utils)
# Loaded when XMP is first read, so dpkg-shlibdeps cannot see it.
set(CPACK_DEBIAN_APP_PACKAGE_DEPENDS "libexempi8")
set(CPACK_DEBIAN_APP_DESCRIPTION "view and edit the document fields of PDF books
The PDF fields plug-in of a publishing application: an in-process automation
component that a host creates by its programmatic identifier,
OrvFields.MainForm, and whose dialog views and edits a book's PDF document
information (title, author, subject, keywords and custom fields), in English
or French.

This package also holds orvfields-host, a small publishing application to run
the plug-in on a publication, orvfields, the same work on the command line,
and orvfields-regsvr, which registers automation components. The component is
registered for every user when the package is installed.")
set(CPACK_DEBIAN_APP_PACKAGE_CONTROL_EXTRA
    ${PROJECT_BINARY_DIR}/debian/postinst ${PROJECT_BINARY_DIR}/debian/prerm ${ORV_DEBIAN}/postrm)
set(CPACK_DEBIAN_APP_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${ORV_PACKAGE_runtime})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "automation runtime of OrvFields
Late binding by name and dispatch identifier, value conventions, error numbers
and the registry of in-process automation components, through which a host
creates a component such as OrvFields.MainForm by its programmatic
identifier.")
# Debian wants the ldconfig trigger; CPack's own scripts call ldconfig as well, which
# is redundant but harmless (lintian warns: maintscript-calls-ldconfig).
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${ORV_DEBIAN}/triggers)

set(CPACK_DEBIAN_DEV_PACKAGE_NAME ${ORV_PACKAGE_dev})
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_DESCRIPTION "automation runtime of OrvFields - development files
Headers and the CMake package OrvFields (find_package(OrvFields), target
OrvFields::Automation) with which a host of another project creates automation
components such as OrvFields.MainForm through the registry and calls them.")

include(CPack)
cpack_add_component(runtime)
cpack_add_component(app DEPENDS runtime)
cpack_add_component(dev DEPENDS runtime)
