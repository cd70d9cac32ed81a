# Helpers shared by every folder's CMakeLists.txt.
#
#   palisor_warnings            interface target: warnings, include root, defines and sanitizers of our code
#   palisor_unit_test(NAME ...) native GoogleTest program, registered with ctest
#   palisor_wine_test(NAME ...) Windows GoogleTest program, registered with ctest and run under Wine
#   palisor_subdirectories()    adds every child folder that has a CMakeLists.txt
#
# Every GoogleTest program writes its results to ${PALISOR_RESULTS_DIR}/NAME.xml, which test.sh
# sums into its closing line.

set(PALISOR_RESULTS_DIR ${CMAKE_BINARY_DIR}/results)
file(MAKE_DIRECTORY ${PALISOR_RESULTS_DIR})

add_library(palisor_warnings INTERFACE)
target_compile_options(palisor_warnings INTERFACE -Wall -Wextra)
# Sources include each other by their path from the repository root ("firewall/firewall_access.h").
target_include_directories(palisor_warnings INTERFACE ${PROJECT_SOURCE_DIR})
if(PALISOR_WERROR)
    target_compile_options(palisor_warnings INTERFACE -Werror)
endif()
if(WIN32)
    # The program targets Windows XP SP2 and uses the ANSI entry points.
    target_compile_definitions(palisor_warnings INTERFACE
        WINVER=0x0501 _WIN32_WINNT=0x0501 _WIN32_IE=0x0600 NOMINMAX)
elseif(PALISOR_SANITIZE)
    target_compile_options(palisor_warnings INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=undefined)
    target_link_options(palisor_warnings INTERFACE -fsanitize=address,undefined)
endif()

if(PALISOR_TESTS)
    if(WIN32)
        # GoogleTest built from Debian's googletest sources with the cross compiler.
        if(NOT TARGET gtest)
            set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
            set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
            set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
            add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
            # GoogleTest's thread start-up gate is written on the standard library's mutex and
            # condition variable, which the win32 thread model lacks; its customisation hook, found
            # first, supplies one on a Win32 event.
            target_include_directories(gtest BEFORE PUBLIC ${PROJECT_SOURCE_DIR}/tests/windows/gtest_custom)
        endif()
        set(PALISOR_GTEST_LIBS gtest gmock)
        set(PALISOR_GTEST_MAIN gtest_main)
    else()
        find_package(GTest REQUIRED)
        find_package(Threads REQUIRED)
        set(PALISOR_GTEST_LIBS GTest::gtest GTest::gmock Threads::Threads)
        set(PALISOR_GTEST_MAIN GTest::gtest_main)
    endif()
endif()

# palisor_unit_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [NO_MAIN])
function(palisor_unit_test name)
    cmake_parse_arguments(T "NO_MAIN" "" "SOURCES;LIBS" ${ARGN})
    if(WIN32 OR NOT PALISOR_TESTS)
        return()
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} ${PALISOR_GTEST_LIBS} palisor_warnings)
    if(NOT T_NO_MAIN)
        target_link_libraries(${name} PRIVATE ${PALISOR_GTEST_MAIN})
    endif()
    add_test(NAME ${name} COMMAND ${name} --gtest_output=xml:${PALISOR_RESULTS_DIR}/${name}.xml)
    set_tests_properties(${name} PROPERTIES LABELS unit TIMEOUT 600)
endfunction()

# palisor_wine_test(NAME SOURCES a.cpp LIBS lib1 [NO_MAIN] [TIMEOUT seconds])
function(palisor_wine_test name)
    cmake_parse_arguments(T "NO_MAIN" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(NOT WIN32 OR NOT PALISOR_TESTS)
        return()
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 600)
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} ${PALISOR_GTEST_LIBS} palisor_warnings)
    if(NOT T_NO_MAIN)
        target_link_libraries(${name} PRIVATE ${PALISOR_GTEST_MAIN})
    endif()
    # Wine reaches the Linux file system through drive Z:.
    add_test(NAME ${name} COMMAND ${name} --gtest_output=xml:Z:${PALISOR_RESULTS_DIR}/${name}.xml)
    set_tests_properties(${name} PROPERTIES LABELS wine TIMEOUT ${T_TIMEOUT})
endfunction()

macro(palisor_subdirectories)
    file(GLOB _children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
    foreach(_child ${_children})
        if(IS_DIRECTORY ${_child} AND EXISTS ${_child}/CMakeLists.txt)
            add_subdirectory(${_child})
        endif()
    endforeach()
endmacro()
