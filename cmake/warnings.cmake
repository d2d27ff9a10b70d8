# Warnings for the project's own targets; never passed on to users of the library.
add_library(mirtabel_warnings INTERFACE)
target_compile_options(mirtabel_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
  $<$<BOOL:${MIRTABEL_WERROR}>:-Werror>)

# The library code neither throws nor needs type information.
add_library(mirtabel_no_exceptions INTERFACE)
target_compile_options(mirtabel_no_exceptions INTERFACE -fno-exceptions -fno-rtti)
