# 32-bit ARM Linux (hard-float) with Debian's cross compiler; the programs run under QEMU.
#   cmake -S . -B build-armhf --toolchain cmake/toolchains/armhf.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(_triple arm-linux-gnueabihf)
find_program(CMAKE_CXX_COMPILER NAMES ${_triple}-g++ REQUIRED)
# C too: GoogleTest's project enables it.
find_program(CMAKE_C_COMPILER NAMES ${_triple}-gcc REQUIRED)
set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(MIRTABEL_QEMU NAMES qemu-arm REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${MIRTABEL_QEMU} -L /usr/${_triple})
