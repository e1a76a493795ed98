# Cross build of the Win32 host with Debian's mingw-w64 (g++-mingw-w64-x86-64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static: the program then imports only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# GLEW (static, from the glew source package) and opengl32 as the imported
# targets the libraries link, defined right after project().
set(CMAKE_PROJECT_shadow_mapping_INCLUDE ${CMAKE_CURRENT_LIST_DIR}/MingwGlew.cmake)
