# 32-bit ARM Linux (hard-float) with Debian's cross compiler; the programs run under QEMU.
#   cmake -S . -B build-armhf --toolchain cmake/toolchains/armhf.cmake
set(CMAKE_SYSTEM_PROCESSOR arm)
set(MIRTABEL_CROSS_TRIPLE arm-linux-gnueabihf)
set(MIRTABEL_CROSS_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
