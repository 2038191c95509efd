#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when they are
# missing: `install-deps.sh` for the Linux build, `install-deps.sh windows`
# for the Windows build (MinGW-w64 and Wine), `install-deps.sh reliability`
# for the sanitizer, valgrind, fuzzing and coverage runs, and
# `install-deps.sh benchmarks`. As root it installs them with apt-get;
# otherwise it names them and fails.
set -euo pipefail

case "${1:-linux}" in
  linux) packages=(cmake ninja-build g++ make pkg-config libgtest-dev abigail-tools nlohmann-json3-dev locales libssl-dev) ;;
  windows) packages=(cmake ninja-build g++-mingw-w64-x86-64 wine wine64 googletest nlohmann-json3-dev) ;;
  reliability) packages=(valgrind gcovr clang libclang-rt-14-dev) ;;
  benchmarks) packages=(libbenchmark-dev libspdlog-dev python3) ;;
  *) echo "usage: $0 [linux|windows|reliability|benchmarks]" >&2; exit 2 ;;
esac

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

# The tests read definition files in a Turkish locale too, where a reading that
# follows the locale's letter case goes wrong; without it they read them in the
# "C" locale only.
turkish_locale_missing() {
  [ "${1:-linux}" = linux ] && ! locale -a 2>/dev/null | grep -qi '^tr_TR\.utf-\?8$'
}

if [ ${#missing[@]} -eq 0 ] && ! turkish_locale_missing "$@"; then exit 0; fi

if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
  if turkish_locale_missing "$@"; then
    echo "Generating the locale tr_TR.UTF-8"
    localedef -i tr_TR -f UTF-8 tr_TR.UTF-8
  fi
elif [ ${#missing[@]} -gt 0 ]; then
  echo "These packages are missing; install them first:" >&2
  echo "  sudo apt-get install ${missing[*]}" >&2
  exit 1
else
  echo "Note: the locale tr_TR.UTF-8 is missing (sudo localedef -i tr_TR -f UTF-8 tr_TR.UTF-8);" >&2
  echo "the tests that read in a Turkish locale read in the \"C\" locale only." >&2
fi
