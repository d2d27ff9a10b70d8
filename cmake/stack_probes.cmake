# Stack probes: a frame larger than a page touches its pages one by one as it grows, so a stack
# too small for a conversion faults at its guard page instead of being jumped over into the
# memory that lies beyond it (another thread's stack, say). Windows compilers always probe;
# GCC and clang do elsewhere with -fstack-clash-protection, where they know it for the target.
include(CheckCXXCompilerFlag)
add_library(mirtabel_stack_probes INTERFACE)
if(NOT WIN32 AND NOT EMSCRIPTEN)
  check_cxx_compiler_flag(-fstack-clash-protection MIRTABEL_HAS_STACK_CLASH_PROTECTION)
  if(MIRTABEL_HAS_STACK_CLASH_PROTECTION)
    target_compile_options(mirtabel_stack_probes INTERFACE -fstack-clash-protection)
  endif()
endif()
