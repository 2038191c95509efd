cmake_minimum_required(VERSION 3.25)
# Checks that quor-inspect holds one copy of quor-interfaces: the program
# imports the shared library (NEEDED on Linux, DLL Name on Windows) and
# defines none of the library's own code or state: none of its classes (TString
# and the others), no allocator, no module frame. Variables: TOOL, LIBRARY
# (the file name imported), OBJDUMP, NM.
execute_process(COMMAND ${OBJDUMP} -p ${TOOL} OUTPUT_VARIABLE dump COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "(NEEDED|DLL Name:) +[^\n]+" imports "${dump}")
list(TRANSFORM imports REPLACE "^(NEEDED|DLL Name:) +" "")
if(NOT LIBRARY IN_LIST imports)
  message(FATAL_ERROR "${TOOL} does not import ${LIBRARY}; it imports: ${imports}")
endif()
execute_process(COMMAND ${NM} -C --defined-only ${TOOL} OUTPUT_VARIABLE symbols
  COMMAND_ERROR_IS_FATAL ANY)
# A class's virtual table lies where its code is; on Windows the program's
# stubs that jump to the functions it imports are named as those functions.
string(REGEX MATCHALL
  "\n[0-9a-fA-F]+ [A-Za-z] (vtable for Quor::[A-Z]|Quor::detail::(allocate|release|module|getModuleVersion))[^\n]*"
  copies "${symbols}")
if(copies)
  list(JOIN copies "\n" text)
  message(FATAL_ERROR "${TOOL} defines code of the library itself:\n${text}")
endif()
message(STATUS "quor-inspect imports ${LIBRARY} and defines none of its symbols")
