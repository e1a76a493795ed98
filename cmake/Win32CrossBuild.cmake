# The native build configures this same tree again with the mingw toolchain:
# the Win32 host and the counted programs the window tests drive, copied into
# bin/ next to the shaders, and the zip archive. Not in the sanitizer build,
# which runs no window tests.
include(${CMAKE_CURRENT_LIST_DIR}/GlewSource.cmake)
find_program(SHADOW_MINGW_CXX x86_64-w64-mingw32-g++)
if(EXISTS ${SHADOW_GLEW_SOURCE_DIR}/src/glew.c)
    set(shadow_glew_source ON)
endif()
shadow_feature(win32_cross_build "shadow_mapping.exe, built with mingw-w64 (build/win32)"
    "x86_64-w64-mingw32-g++" SHADOW_MINGW_CXX
    "glew's source in ${SHADOW_GLEW_SOURCE_DIR} (tools/setup.sh)" shadow_glew_source
    "a build without sanitizers" NOT:SHADOW_SANITIZE)
if(NOT win32_cross_build)
    return()
endif()

include(ExternalProject)
ExternalProject_Add(shadow_mapping_win32
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/win32
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
        -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
        -DSHADOW_GLEW_SOURCE_DIR=${SHADOW_GLEW_SOURCE_DIR}
        -DSHADOW_BUILD_TESTS=OFF
        -DSHADOW_BUILD_BENCH=OFF
        -DSHADOW_BUILD_COUNTED_HOSTS=ON
        -DSHADOW_PACKAGE_DIR=${SHADOW_PACKAGE_DIR}
    INSTALL_COMMAND ${CMAKE_COMMAND} -E copy_if_different
        <BINARY_DIR>/bin/shadow_mapping.exe <BINARY_DIR>/bin/shadow_mapping_counted.exe
        <BINARY_DIR>/bin/win32_probe.exe ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
    BUILD_ALWAYS ON
    USES_TERMINAL_BUILD ON)
