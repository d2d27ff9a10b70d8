# Windows x86-64 with Debian's MinGW-w64 cross compiler; the programs run under Wine.
#   cmake -S . -B build-windows --toolchain cmake/toolchains/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix thread model, so that std::thread exists; its thread library is linked statically
# with the rest of the compiler's runtime (-static), so that Mirtabel.dll and the programs need
# only the system's own DLLs.
set(_triple x86_64-w64-mingw32)
find_program(CMAKE_CXX_COMPILER NAMES ${_triple}-g++-posix ${_triple}-g++ REQUIRED)
# C too: GoogleTest's project enables it.
find_program(CMAKE_C_COMPILER NAMES ${_triple}-gcc-posix ${_triple}-gcc REQUIRED)
set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Wine runs the programs; WINEDEBUG=-all quiets it and WINEPREFIX gives it a prefix of its own.
find_program(MIRTABEL_WINE NAMES wine wine64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${MIRTABEL_WINE})
