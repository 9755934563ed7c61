# 32-bit Windows, the build that can bind IO.DLL. Nothing 32-bit can run on
# our machines, so this tree is built and checked, never run: no emulator.
set(CMAKE_SYSTEM_PROCESSOR X86)
set(KOVIR_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
