# Compiles and runs the consumer with the flags that pkg-config gives for the
# installed package. Variables: PREFIX, LIBDIR, SOURCE, BINARY, CXX.
set(ENV{PKG_CONFIG_PATH} "${PREFIX}/${LIBDIR}/pkgconfig")
execute_process(COMMAND pkg-config --cflags --libs quor-interfaces zolog
  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
  COMMAND_ERROR_IS_FATAL ANY)
separate_arguments(flags UNIX_COMMAND "${flags}")
execute_process(COMMAND ${CXX} -std=c++11 ${SOURCE} ${flags} -o ${BINARY}
  COMMAND_ERROR_IS_FATAL ANY)
set(ENV{LD_LIBRARY_PATH} "${PREFIX}/${LIBDIR}")
execute_process(COMMAND ${BINARY} COMMAND_ERROR_IS_FATAL ANY)
