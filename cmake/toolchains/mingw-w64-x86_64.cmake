# 64-bit Windows. Its programs run here under Wine, so tests and the
# programs built with this file are started through wine64.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(KOVIR_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# One Wine prefix per build tree, made on first use.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env KOVIR_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix
    ${CMAKE_CURRENT_LIST_DIR}/../wine-run)
