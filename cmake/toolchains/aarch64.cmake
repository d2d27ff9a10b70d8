# 64-bit ARM Linux with Debian's cross compiler; the programs run under QEMU.
#   cmake -S . -B build-aarch64 --toolchain cmake/toolchains/aarch64.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(_triple aarch64-linux-gnu)
find_program(CMAKE_CXX_COMPILER NAMES ${_triple}-g++ REQUIRED)
# C too: GoogleTest's project enables it.
find_program(CMAKE_C_COMPILER NAMES ${_triple}-gcc REQUIRED)
set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(MIRTABEL_QEMU NAMES qemu-aarch64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${MIRTABEL_QEMU} -L /usr/${_triple})
