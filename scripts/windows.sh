#!/usr/bin/env bash
# Cross-builds Quorvex for Windows (i686 and x86_64) with mingw-w64 and tests
# it: the export table of Quorvex.dll for both architectures, and the x86_64
# test suites under wine64 (headless, in a Wine prefix of the build tree).
# Usage: scripts/windows.sh [--no-test]
set -euo pipefail
cd "$(dirname "$0")/.."
run_tests=1
[ "${1:-}" = "--no-test" ] && run_tests=0

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686-posix)
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64-posix)
[ -f /usr/x86_64-w64-mingw32/include/zlib.h ] || need+=(libz-mingw-w64-dev)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

# SQLite for the simulated target's image store: the amalgamation shipped in
# an npm package, pinned by version and by the checksum of its tarball.
sqlite_package=better-sqlite3@12.11.1
sqlite_sha256=ebf0ed75a7a59dbcb3b24bbd014ef49d9f15bc328e4adcbf516f2a8fadfa2835
sqlite_dir=$PWD/build/third_party/sqlite
if [ ! -f "$sqlite_dir/sqlite3.c" ]; then
  command -v npm >/dev/null || { echo "windows.sh: npm is needed to fetch SQLite" >&2; exit 1; }
  fetch=$(mktemp -d)
  (cd "$fetch" && npm pack --silent "$sqlite_package" >/dev/null)
  tarball=$(ls "$fetch"/*.tgz)
  echo "$sqlite_sha256  $tarball" | sha256sum -c --quiet - ||
    { echo "windows.sh: $sqlite_package does not match its pinned checksum" >&2; exit 1; }
  mkdir -p "$sqlite_dir"
  tar -xzf "$tarball" -C "$fetch" package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h
  mv "$fetch"/package/deps/sqlite3/sqlite3.[ch] "$sqlite_dir"/
  rm -rf "$fetch"
fi

# i686 is the module's own architecture; Debian's 32-bit Wine cannot be
# installed beside wine64 here, so its suites are not built, only its
# products and their export table checked. x86_64 builds and runs everything.
build() {
  local arch=$1 tests=$2
  local dir=build/win-$arch
  local start=$SECONDS
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/mingw-w64-$arch.cmake" \
    -DQUORVEX_BUILD_TESTS="$tests" -DQUORVEX_SQLITE_AMALGAMATION="$sqlite_dir" >/dev/null
  cmake --build "$dir"
  echo "windows.sh: $arch built in $((SECONDS - start)) s"
}
build i686 OFF
build x86_64 ON

if [ $run_tests -eq 1 ]; then
  start=$SECONDS
  ctest --test-dir build/win-i686 --output-on-failure
  ctest --test-dir build/win-x86_64 --output-on-failure
  echo "windows.sh: tests ran in $((SECONDS - start)) s"
fi
