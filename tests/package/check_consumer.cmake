# Builds the consumer project (consumer/) against an installed package, with
# the worked example Vault from the package's docs (DOCDIR below the prefix),
# and runs it where it was built (its own tests) and where it is installed:
# into the package's prefix, from a directory that holds no definition file,
# so that the factory finds the provider beside the library. No path is given
# but the package's prefix.
#
# Variables: SOURCE, BINARY (a scratch folder), PREFIX (the installed package)
# or DEB (a folder that holds one .deb, unpacked into BINARY and used from
# there), DOCDIR, GENERATOR, BUILD_TYPE, and CXX for a native build or
# TOOLCHAIN (below the prefix) and EMULATOR for a cross build.
file(REMOVE_RECURSE "${BINARY}")
file(MAKE_DIRECTORY "${BINARY}")
if(DEB)
  file(GLOB deb "${DEB}/*.deb")
  execute_process(COMMAND dpkg-deb -x "${deb}" "${BINARY}/root" COMMAND_ERROR_IS_FATAL ANY)
  set(PREFIX "${BINARY}/root/usr")
endif()
if(TOOLCHAIN)
  set(compiler "-DCMAKE_TOOLCHAIN_FILE=${PREFIX}/${TOOLCHAIN}")
  set(suffix .exe)
else()
  set(compiler "-DCMAKE_CXX_COMPILER=${CXX}")
endif()

function(run)
  string(REPLACE ";" " " line "${ARGN}")
  message(STATUS "${line}")
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${BINARY}" COMMAND_ERROR_IS_FATAL ANY)
endfunction()

set(build "${BINARY}/build")
run(${CMAKE_COMMAND} -S "${SOURCE}" -B "${build}" -G "${GENERATOR}"
  "-DCMAKE_PREFIX_PATH=${PREFIX}" "-DCMAKE_BUILD_TYPE=${BUILD_TYPE}" "${compiler}"
  "-DVAULT=${PREFIX}/${DOCDIR}/examples/vault")
run(${CMAKE_COMMAND} --build "${build}")
run(${CMAKE_CTEST_COMMAND} --test-dir "${build}" --output-on-failure)
run(${CMAKE_COMMAND} --install "${build}" --prefix "${PREFIX}")
run(${EMULATOR} "${PREFIX}/bin/vault-client${suffix}")
