# 64-bit ARM Linux with Debian's cross compiler; the programs run under QEMU.
#   cmake -S . -B build-aarch64 --toolchain cmake/toolchains/aarch64.cmake
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(MIRTABEL_CROSS_TRIPLE aarch64-linux-gnu)
set(MIRTABEL_CROSS_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
