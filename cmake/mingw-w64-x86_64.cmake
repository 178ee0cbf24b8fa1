# Cross build for 64-bit Windows with Debian's MinGW-w64; tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZOLVANTEK_MINGW_PREFIX x86_64-w64-mingw32)
# The posix thread model: the win32 one has no std::mutex or std::thread.
set(CMAKE_C_COMPILER ${ZOLVANTEK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZOLVANTEK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZOLVANTEK_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZOLVANTEK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Link the compiler's runtime (and winpthread) in, so an .exe runs under Wine without
# copying MinGW DLLs next to it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
