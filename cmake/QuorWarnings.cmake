# quor_target_warnings(<target>): the project's warning flags, PRIVATE to the
# target so that they never reach a consumer.
include_guard(GLOBAL)

function(quor_target_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(QUOR_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
