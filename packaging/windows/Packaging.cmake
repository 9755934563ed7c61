# The Windows release: per architecture, a zip made by CPack (scripts/zips)
# for portable use, and a Windows Installer package made by wixl
# (scripts/msi, target msi), both with the programs, the licence and a short
# text.
# kovir-guard beside the programs, which start it from there.
install(TARGETS kovir kovir-sim kovir-vcd kovir-board kovir-guard RUNTIME DESTINATION .)
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

set(KOVIR_MSI ${CMAKE_BINARY_DIR}/package/kovir-${PROJECT_VERSION}-windows-${KOVIR_WINDOWS_ARCH}.msi)
add_custom_target(msi
    COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR} -DARCH=${KOVIR_WINDOWS_ARCH}
            -DVERSION=${PROJECT_VERSION} -DMSI=${KOVIR_MSI}
            -P ${CMAKE_CURRENT_LIST_DIR}/make_msi.cmake
    DEPENDS kovir kovir-sim kovir-vcd kovir-board kovir-guard
    COMMENT "Making ${KOVIR_MSI}" VERBATIM)
