# Compares the built Linux library with the committed description of its
# binary interface, and checks that it exports only the library's classes and
# free operators. Variables: LIBRARY, BASELINE, ABIDIFF, NM.
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${ABIDIFF} --no-show-locs ${BASELINE} ${LIBRARY}
  RESULT_VARIABLE status OUTPUT_VARIABLE report ERROR_VARIABLE report)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "The binary interface differs from ${BASELINE}:\n${report}\n"
    "If the change is intended, record it with scripts/update-abi.sh in the same commit.")
endif()

execute_process(COMMAND ${NM} -D -C --defined-only ${LIBRARY}
  OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE "\n" ";" lines "${symbols}")
set(foreign "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^[0-9a-f]+ [A-Za-z] " "" name "${line}")
  if(name STREQUAL "" OR name MATCHES "^(Quor::|typeinfo for Quor::|typeinfo name for Quor::|vtable for Quor::)")
    continue()
  endif()
  list(APPEND foreign "${name}")
endforeach()
if(foreign)
  list(JOIN foreign "\n  " text)
  message(FATAL_ERROR "Exported, but not the library's own:\n  ${text}")
endif()
