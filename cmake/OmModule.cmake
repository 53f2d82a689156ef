# One static library per source folder. Sources are picked up by glob so
# adding a file needs no edit here; CONFIGURE_DEPENDS re-globs on build.
#
# Classes enter the class registry from static initialisers in their own
# source files, and a linker takes from an archive only the objects something
# refers to: a class nothing names would silently be missing from the
# program. So the archive (<name>_archive) is always linked whole, through
# the name every program and library links against (<name>); its own
# dependencies go on the archive.
function(om_module name dir)
    file(GLOB _srcs CONFIGURE_DEPENDS
        ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.c)
    if(NOT _srcs)
        set(_srcs ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
    endif()
    add_library(${name}_archive STATIC ${_srcs})
    target_include_directories(${name}_archive PUBLIC ${CMAKE_SOURCE_DIR})
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${name}_archive>")
endfunction()

# One GoogleTest executable per test folder, each test case its own CTest test.
function(om_test_folder name dir)
    file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
    if(NOT _srcs)
        return()
    endif()
    om_test_program(${name} "${_srcs}" ${ARGN})
endfunction()

# One GoogleTest executable of the given sources, linked with the libraries
# that follow them.
function(om_test_program name srcs)
    add_executable(${name} ${srcs} ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp)
    target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gmock)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    gtest_discover_tests(${name}
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES ENVIRONMENT "OM_SOURCE_DIR=${CMAKE_SOURCE_DIR};OM_BUILD_DIR=${CMAKE_BINARY_DIR}")
endfunction()
