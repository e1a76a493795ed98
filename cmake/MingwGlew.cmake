# GLEW::GLEW and OpenGL::GL for the mingw build. Included right after project(),
# before the project's warning flags, which are not meant for GLEW's own code.
include(${CMAKE_CURRENT_LIST_DIR}/GlewSource.cmake)

if(NOT TARGET OpenGL::GL)
    add_library(OpenGL::GL INTERFACE IMPORTED)
    set_target_properties(OpenGL::GL PROPERTIES INTERFACE_LINK_LIBRARIES opengl32)
endif()

if(NOT TARGET GLEW::GLEW)
    if(NOT EXISTS ${SHADOW_GLEW_SOURCE_DIR}/src/glew.c)
        message(FATAL_ERROR "No glew source in ${SHADOW_GLEW_SOURCE_DIR}: run tools/setup.sh")
    endif()
    add_library(glew_static STATIC ${SHADOW_GLEW_SOURCE_DIR}/src/glew.c)
    target_compile_definitions(glew_static PUBLIC GLEW_STATIC)
    target_include_directories(glew_static SYSTEM PUBLIC ${SHADOW_GLEW_SOURCE_DIR}/include)
    target_link_libraries(glew_static PUBLIC OpenGL::GL)
    # Not our code: its warnings are not ours to fix.
    set_target_properties(glew_static PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
    add_library(GLEW::GLEW ALIAS glew_static)
endif()
