# Checks that the CMake version the top-level CMakeLists.txt asks for is one
# that can configure the tree: every feature below that the build files use
# must exist in the declared minimum. Run with -DROOT=<source folder>.
#
# Each row: the text that shows the feature is used, then the first CMake
# release that has it.
set(features
    "$<LINK_LIBRARY:" 3.24
    "DISCOVERY_MODE" 3.18
    "CONFIGURE_DEPENDS" 3.12
    "CMAKE_CXX_STANDARD 20" 3.12)

file(READ "${ROOT}/CMakeLists.txt" top)
string(REGEX MATCH "cmake_minimum_required\\(VERSION ([0-9.]+)" _ "${top}")
set(declared "${CMAKE_MATCH_1}")
if(NOT declared)
    message(FATAL_ERROR "CMakeLists.txt declares no minimum CMake version")
endif()

file(GLOB_RECURSE build_files "${ROOT}/CMakeLists.txt" "${ROOT}/*/CMakeLists.txt" "${ROOT}/cmake/*.cmake")
list(FILTER build_files EXCLUDE REGEX "/build[^/]*/")
set(short "")
list(LENGTH features length)
math(EXPR last "${length} - 1")
foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET features ${i} text)
    list(GET features ${j} needs)
    foreach(path IN LISTS build_files)
        file(READ "${path}" content)
        string(FIND "${content}" "${text}" at)
        if(at GREATER -1 AND declared VERSION_LESS needs)
            file(RELATIVE_PATH shown "${ROOT}" "${path}")
            string(APPEND short "\n  ${shown} uses ${text}, which needs CMake ${needs}")
        endif()
    endforeach()
endforeach()
if(short)
    message(FATAL_ERROR "CMakeLists.txt asks for CMake ${declared}, too old for the build:${short}")
endif()
message(STATUS "CMake ${declared} has every feature the build uses")
