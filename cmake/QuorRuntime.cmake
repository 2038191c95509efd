# The GCC runtime DLLs of a MinGW-w64 build (libstdc++, libgcc, winpthread).
# They are shipped beside the libraries, so that the process holds one C++
# runtime: one new-handler, one set of exception types, for the library and
# every client and manager built with the same compiler. They are copied into
# the build tree's bin directory and installed with the libraries.
include_guard(GLOBAL)

set(QUOR_RUNTIME_DLLS "")
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "The compiler's runtime ${dll} was not found")
  endif()
  file(COPY "${path}" DESTINATION "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
  list(APPEND QUOR_RUNTIME_DLLS "${path}")
endforeach()
