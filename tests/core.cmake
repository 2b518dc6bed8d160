# SPDX-License-Identifier: Apache-2.0
# The suites of the portable core on doctest: the same sources, built by the Linux build
# (run by CTest) and by the Windows builds (run under wine, tests/windows). The suites of
# the dialog and the field list run on the headless toolkit (src/platform/headless).
find_path(ORVFIELDS_DOCTEST_DIR doctest.h PATHS /usr/include/doctest
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
if(WIN32)
    set(orv_support_platform win32)
else()
    set(orv_support_platform posix)
endif()
# The one process runner, also for the Qt-only suites (support/TestSupport.h).
add_library(orv_testprocess STATIC
    ${CMAKE_CURRENT_LIST_DIR}/support/Process.h
    ${CMAKE_CURRENT_LIST_DIR}/support/${orv_support_platform}/Process.cpp)
target_include_directories(orv_testprocess PUBLIC ${CMAKE_CURRENT_LIST_DIR})
if(WIN32)
    target_link_libraries(orv_testprocess PRIVATE orv_automation_link)
endif()
set_target_properties(orv_testprocess PROPERTIES AUTOMOC OFF)

add_library(orv_coretest STATIC
    ${CMAKE_CURRENT_LIST_DIR}/support/DoctestMain.cpp
    ${CMAKE_CURRENT_LIST_DIR}/support/Platform.h
    ${CMAKE_CURRENT_LIST_DIR}/support/${orv_support_platform}/Platform.cpp)
# Only doctest.h lives in that folder: the cross compiler sees nothing else of the host.
target_include_directories(orv_coretest SYSTEM PUBLIC ${ORVFIELDS_DOCTEST_DIR})
target_include_directories(orv_coretest PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(orv_coretest PUBLIC orv_testprocess orv_automation_link)
set_target_properties(orv_coretest PROPERTIES AUTOMOC OFF)

# The areas whose suites run on both builds.
set(orv_core_areas automation i18n publication fields tagora fieldlist dialog cli)

# orv_add_core_test(NAME SOURCES ... LIBRARIES ... [HEADLESS]): a doctest suite. HEADLESS
# links the headless toolkit in place of the build's own.
function(orv_add_core_test name)
    cmake_parse_arguments(ARG "HEADLESS" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE orv_coretest ${ARG_LIBRARIES})
    set_target_properties(${name} PROPERTIES AUTOMOC OFF)
    if(ARG_HEADLESS)
        set_target_properties(${name} PROPERTIES ORVFIELDS_HEADLESS ON)
        target_link_libraries(${name} PRIVATE orv_platform_headless)
    endif()
    if(WIN32)
        return()
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        TIMEOUT 300
        ENVIRONMENT "ORVFIELDS_REGISTRY=${CMAKE_CURRENT_BINARY_DIR}/${name}-registry.ini;LC_ALL=C.UTF-8")
    set_property(GLOBAL APPEND PROPERTY ORVFIELDS_CORE_TESTS ${name})
endfunction()
