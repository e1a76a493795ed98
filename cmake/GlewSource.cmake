# Where tools/setup.d/glew-source.sh unpacks Debian's glew source package.
if(DEFINED ENV{SHADOW_CACHE_DIR})
    set(_shadow_cache "$ENV{SHADOW_CACHE_DIR}")
elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(_shadow_cache "$ENV{XDG_CACHE_HOME}/shadow_mapping")
else()
    set(_shadow_cache "$ENV{HOME}/.cache/shadow_mapping")
endif()
set(SHADOW_GLEW_SOURCE_DIR "${_shadow_cache}/glew" CACHE PATH
    "Unpacked glew source tree for the Win32 build (src/glew.c, include/GL)")
unset(_shadow_cache)
