# Checks that the library's dynamic symbol table defines exactly the exports of the public
# header: the fixed exports, where the constructor appears twice, as the complete-object (C1) and
# base-object (C2) names, and the conversion API.
#   cmake -DNM=<nm> -DLIBRARY=<libmirtabel.so> -P exported_symbols.cmake
set(expected
  ConvertMXP
  _Z10fnMirtabelv
  _ZN9CMirtabelC1Ev
  _ZN9CMirtabelC2Ev
  _ZN9CMirtabelaSERKS_
  nMirtabel
  mirtabel_convert
  mirtabel_convert_stream
  mirtabel_error_name
  mirtabel_version
  mirtabel_version_number
  mirtabel_format_from_name
  mirtabel_format_name)

execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
                OUTPUT_VARIABLE table ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}: ${errors}")
endif()

# Lines read "address type name", with "@@version" after the name of a versioned symbol.
string(REPLACE "\n" ";" lines "${table}")
set(found "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[0-9a-fA-F]* *[A-Za-z] ([^ @]+)")
    list(APPEND found ${CMAKE_MATCH_1})
  endif()
endforeach()
list(SORT found)
list(SORT expected)

string(REPLACE ";" " " found_text "${found}")
if(NOT found STREQUAL expected)
  string(REPLACE ";" " " expected_text "${expected}")
  message(FATAL_ERROR "exported symbols differ\n  found:    ${found_text}\n  expected: ${expected_text}")
endif()
message(STATUS "exported: ${found_text}")
