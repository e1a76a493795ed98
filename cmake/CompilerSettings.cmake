# Settings for every target of the project.

# The math is pinned to exact float results: no fused multiply-adds, no
# fast-math, no host-specific instruction sets.
add_compile_options(-ffp-contract=off -fno-fast-math)

# Warnings are errors on our code: on every target made from here on. GLEW's
# own glew.c in the mingw build is made before this (cmake/MingwGlew.cmake).
add_compile_options(-Wall -Wextra -Wpedantic)
set(CMAKE_COMPILE_WARNING_AS_ERROR ON)

if(SHADOW_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
