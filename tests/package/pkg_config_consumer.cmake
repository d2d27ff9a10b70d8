# Builds consumer.c with the flags pkg-config gives for mirtabel, as a Makefile user would, and
# runs it through RUN, which gives it the environment the README prescribes. Says SKIPPED when
# pkg-config or a C compiler is missing.
if(NOT PKG_CONFIG OR NOT C_COMPILER)
  message("SKIPPED: pkg-config or a C compiler is missing")
  return()
endif()

set(ENV{PKG_CONFIG_PATH} ${LIBDIR}/pkgconfig)
unset(ENV{PKG_CONFIG_LIBDIR})
execute_process(COMMAND ${PKG_CONFIG} --cflags --libs mirtabel
  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know mirtabel")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
message("pkg-config --cflags --libs mirtabel: ${flags}")

file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(
  COMMAND ${C_COMPILER} -std=c99 -Wall -Wextra -Werror ${SOURCE} -o ${WORK_DIR}/consumer
          ${flags}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the consumer does not build with pkg-config's flags")
endif()
execute_process(COMMAND ${RUN} ${WORK_DIR}/consumer ${EXAMPLE} ${WORK_DIR}/column-layout.txt
                        ${LONG_ARCHIVE} ${WORK_DIR}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the consumer failed: ${result}")
endif()

# The README's C program, as it stands there, converts an example.
file(READ ${README} readme)
string(REGEX MATCH "```c\n([^`]*)```" block "${readme}")
if(NOT CMAKE_MATCH_1)
  message(FATAL_ERROR "the README has no C program")
endif()
file(WRITE ${WORK_DIR}/readme.c "${CMAKE_MATCH_1}")
execute_process(
  COMMAND ${C_COMPILER} -std=c99 -Wall -Wextra -Werror ${WORK_DIR}/readme.c -o ${WORK_DIR}/readme
          ${flags}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the README's C program does not build")
endif()
configure_file(${EXAMPLE} ${WORK_DIR}/recipes.mxp COPYONLY)
execute_process(COMMAND ${RUN} ${WORK_DIR}/readme WORKING_DIRECTORY ${WORK_DIR}
  OUTPUT_VARIABLE printed RESULT_VARIABLE result)
message("${printed}")
if(NOT result EQUAL 0 OR NOT printed MATCHES "3 recipes written")
  message(FATAL_ERROR "the README's C program failed: ${result}")
endif()
