# The Windows release: one zip per architecture, made by CPack
# (scripts/zips), with both programs, the licence and a short text.
install(TARGETS kovir kovir-sim kovir-vcd RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/README.txt DESTINATION .)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(KOVIR_WINDOWS_ARCH x64)
else()
    set(KOVIR_WINDOWS_ARCH x86)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME kovir)
set(CPACK_PACKAGE_FILE_NAME kovir-${PROJECT_VERSION}-windows-${KOVIR_WINDOWS_ARCH})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
include(CPack)
