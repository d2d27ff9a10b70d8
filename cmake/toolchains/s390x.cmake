# 64-bit IBM Z Linux with Debian's cross compiler; the programs run under QEMU. Its byte order is
# big-endian, so any code that works on whole words is checked for the order of their bytes.
#   cmake -S . -B build-s390x --toolchain cmake/toolchains/s390x.cmake
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(MIRTABEL_CROSS_TRIPLE s390x-linux-gnu)
set(MIRTABEL_CROSS_QEMU qemu-s390x)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
