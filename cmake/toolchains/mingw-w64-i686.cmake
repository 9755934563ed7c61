# 32-bit Windows, the build that can bind IO.DLL. Its programs run under the
# 32-bit Wine, in a 32-bit prefix, where this machine executes 32-bit code;
# where it does not, the tests run them in an emulated PC instead
# (vm.wine32: tests/vm/vm_test.py wine32) and this tree has no emulator.
set(CMAKE_SYSTEM_PROCESSOR X86)
set(KOVIR_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
set(KOVIR_WINE32 /usr/lib/wine/wine)
execute_process(COMMAND ${KOVIR_WINE32} --version RESULT_VARIABLE kovir_wine32_status
                OUTPUT_QUIET ERROR_QUIET)
if(kovir_wine32_status EQUAL 0)
    set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env KOVIR_WINE=${KOVIR_WINE32} KOVIR_WINEARCH=win32
        KOVIR_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix ${CMAKE_CURRENT_LIST_DIR}/../wine-run)
endif()
