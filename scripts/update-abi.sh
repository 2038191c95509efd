#!/usr/bin/env bash
# Records the current binary interface under abi/: the abidw description of
# the Linux library (from the dev build) and the export lists of the DLLs
# (from the windows build). Run after an intended change of the interface and
# commit the result with that change.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build --preset dev --target quor-interfaces
abidw --no-show-locs --no-corpus-path build/dev/bin/libquor-interfacesU.so >abi/libquor-interfacesU.so.abi
if [ -d build/windows ]; then
  cmake --build --preset windows --target quor-interfaces zologu64
  for dll in quor-interfacesU.dll zologu64.dll; do
    x86_64-w64-mingw32-objdump -p "build/windows/bin/$dll" |
      sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\t\[ *[0-9]*\] //p' |
      LC_ALL=C sort >"abi/$dll.exports"
  done
fi
git status --short abi
