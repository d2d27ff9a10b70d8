# Sanitizer builds, for every target of the project.
#   MIRTABEL_SANITIZE=address  AddressSanitizer with UndefinedBehaviorSanitizer; the first report
#                              stops the program (-fno-sanitize-recover=all).
#   MIRTABEL_SANITIZE=thread   ThreadSanitizer.
#   MIRTABEL_FUZZ=ON           the libFuzzer programs in fuzz/, with all code instrumented for them;
#                              needs clang and implies MIRTABEL_SANITIZE=address.
# Meant for clang (g++ also knows these sanitizers, but not libFuzzer).
set(MIRTABEL_SANITIZE "" CACHE STRING
    "Sanitizers for every target: empty (none), address (ASan+UBSan) or thread (TSan)")
set_property(CACHE MIRTABEL_SANITIZE PROPERTY STRINGS "" address thread)
option(MIRTABEL_FUZZ "Build the libFuzzer programs in fuzz/ (clang, with ASan+UBSan)" OFF)

if(MIRTABEL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "MIRTABEL_FUZZ needs clang (libFuzzer); configure with CXX=clang++")
  endif()
  if(MIRTABEL_SANITIZE STREQUAL "")
    set(MIRTABEL_SANITIZE address CACHE STRING "" FORCE)
  elseif(NOT MIRTABEL_SANITIZE STREQUAL "address")
    message(FATAL_ERROR "MIRTABEL_FUZZ runs with MIRTABEL_SANITIZE=address, not '${MIRTABEL_SANITIZE}'")
  endif()
endif()

if(MIRTABEL_SANITIZE STREQUAL "address")
  # The vptr check needs the type information that the library, built without RTTI, leaves out.
  set(_mirtabel_sanitizer_flags
      -fsanitize=address,undefined -fno-sanitize=vptr -fno-sanitize-recover=all)
elseif(MIRTABEL_SANITIZE STREQUAL "thread")
  set(_mirtabel_sanitizer_flags -fsanitize=thread)
elseif(NOT MIRTABEL_SANITIZE STREQUAL "")
  message(FATAL_ERROR
          "Unknown MIRTABEL_SANITIZE value '${MIRTABEL_SANITIZE}': use address, thread or nothing")
endif()

if(DEFINED _mirtabel_sanitizer_flags)
  # Frame pointers give complete stacks in the reports.
  add_compile_options(${_mirtabel_sanitizer_flags} -fno-omit-frame-pointer)
  add_link_options(${_mirtabel_sanitizer_flags})
endif()
if(MIRTABEL_FUZZ)
  # Coverage feedback from the library code too; only the fuzzer program links libFuzzer.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
