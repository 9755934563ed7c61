# Shared by the two Windows toolchains: MinGW-w64 from Debian, with the
# -posix compilers (they carry the C++ thread library). Set KOVIR_MINGW_TRIPLE
# before including this file.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KOVIR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KOVIR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KOVIR_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${KOVIR_MINGW_TRIPLE}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${KOVIR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static, so that every executable and DLL we make needs nothing on the
# target machine but Windows' own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
