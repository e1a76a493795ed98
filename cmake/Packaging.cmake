# Release archives that run from the folder they are unpacked into: the window
# host (and, on Linux, the capture tool) with the two shaders and a README beside
# it. The native build makes the Linux tar.gz; the mingw cross build its own zip.
# Both land in SHADOW_PACKAGE_DIR, which the native build hands the cross build.

# Archive names (without the extension) say the platform and the version.
set(SHADOW_PACKAGE_WIN32 ${PROJECT_NAME}-${PROJECT_VERSION}-win64)
set(SHADOW_PACKAGE_LINUX ${PROJECT_NAME}-${PROJECT_VERSION}-Linux-x86_64)

# The SDL2 host is left out where SDL2 is (see the feature summary).
set(shadow_package_programs)
foreach(program shadow_mapping shadow_capture)
    if(TARGET ${program})
        list(APPEND shadow_package_programs ${program})
    endif()
endforeach()
install(TARGETS ${shadow_package_programs} RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/media/shadow.vs ${PROJECT_SOURCE_DIR}/media/shadow.fs
              ${PROJECT_SOURCE_DIR}/tools/package/README.txt
        DESTINATION .)

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR "${PROJECT_NAME} developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Two-pass shadow mapping over a small rigid-body simulation")
set(CPACK_PACKAGE_DIRECTORY ${SHADOW_PACKAGE_DIR})
set(CPACK_STRIP_FILES ON)
if(WIN32)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME ${SHADOW_PACKAGE_WIN32})
else()
    set(CPACK_GENERATOR TGZ)
    set(CPACK_PACKAGE_FILE_NAME ${SHADOW_PACKAGE_LINUX})
endif()
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
