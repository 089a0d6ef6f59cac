#!/usr/bin/env bash
# Cross-builds Quorvex for Windows (i686 and x86_64) with mingw-w64 and tests
# it: the export table of Quorvex.dll for both architectures, the x86_64
# test suites under wine64 (headless, in a Wine prefix of the build tree), and
# quorvex.exe under wine64 against the Linux quorvex-target over TCP.
# Usage: scripts/windows.sh [--no-test] [--i686-all]
#   --no-test   build only
#   --i686-all  build the i686 programs too, not only its DLLs
set -euo pipefail
cd "$(dirname "$0")/.."
run_tests=1
i686_targets=(--target Quorvex)
for arg in "$@"; do
  case $arg in
    --no-test) run_tests=0 ;;
    --i686-all) i686_targets=() ;;
    *) echo "usage: scripts/windows.sh [--no-test] [--i686-all]" >&2; exit 64 ;;
  esac
done

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686-posix)
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64-posix)
[ -f /usr/x86_64-w64-mingw32/include/zlib.h ] || need+=(libz-mingw-w64-dev)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
command -v npm >/dev/null || need+=(npm)
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
# installed beside wine64 here, so nothing of it can run: it builds the DLLs
# (the module and the stand-ins it loads) and their export table is checked.
# x86_64 builds everything, programs and suites, and runs them.
build() {
  local arch=$1 tests=$2
  shift 2
  local dir=build/win-$arch
  local start=$SECONDS
  # Release: debug information would cost a fifth more compile time here.
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/mingw-w64-$arch.cmake" \
    -DQUORVEX_BUILD_TESTS="$tests" -DQUORVEX_SQLITE_AMALGAMATION="$sqlite_dir" >/dev/null
  cmake --build "$dir" "$@"
  echo "windows.sh: $arch built in $((SECONDS - start)) s"
}
build i686 OFF "${i686_targets[@]}"
build x86_64 "$([ $run_tests -eq 1 ] && echo ON || echo OFF)"
[ $run_tests -eq 1 ] || exit 0

export WINEPREFIX=$PWD/build/win-x86_64/wineprefix WINEDEBUG=-all DISPLAY=
wine=/usr/lib/wine/wine64
start=$SECONDS
ctest --test-dir build/win-i686 --output-on-failure
ctest --test-dir build/win-x86_64 --output-on-failure -j2
# One CTest test runs a whole suite; what counts is the cases inside.
cases=$(grep -ohE '^\[==========\] [0-9]+ tests? from' build/win-x86_64/Testing/Temporary/LastTest.log |
  awk '{ n += $2 } END { print n + 0 }')
echo "windows.sh: suites ran in $((SECONDS - start)) s under wine64, $cases test cases"

# End to end: quorvex.exe under wine64 against the Linux quorvex-target.
start=$SECONDS
linux_target=build/default/target/quorvex-target
if [ ! -x "$linux_target" ]; then
  cmake --preset default >/dev/null
  cmake --build --preset default --target quorvex-target
fi
scratch=$(mktemp -d)
"$linux_target" --listen tcp://127.0.0.1:0 >"$scratch/target.out" 2>&1 &
target_pid=$!
trap 'kill $target_pid 2>/dev/null || true; rm -rf "$scratch"' EXIT
for _ in $(seq 100); do
  grep -q '^listening on ' "$scratch/target.out" && break
  sleep 0.1
done
endpoint=$(sed -n 's/^listening on //p' "$scratch/target.out")
[ -n "$endpoint" ] || { cat "$scratch/target.out"; echo "windows.sh: quorvex-target did not start" >&2; exit 1; }
exe=$PWD/build/win-x86_64/bin/quorvex.exe
quorvex() {
  (cd "$scratch" && QUORVEX_HOME="Z:$scratch/home" "$wine" "$exe" \
    --target "$endpoint" --core cp "$@")
}
fail() { echo "windows.sh: end to end: $*" >&2; exit 1; }
# Every byte value, line ends and the DOS end-of-file mark among them.
head -c 200000 /dev/urandom >"$scratch/data.bin"
printf 'a\r\nb\nc\032' >>"$scratch/data.bin"
quorvex put data.bin --verify || fail "put --verify exited $?"
listing=$(quorvex ls --json) || fail "ls exited $?"
case $listing in
  *'"name":"data.bin"'*'"size":200007'*) ;;
  *) fail "ls does not show data.bin with 200007 bytes: $listing" ;;
esac
quorvex get data.bin back.bin || fail "get exited $?"
cmp "$scratch/data.bin" "$scratch/back.bin" || fail "the file came back changed"
# Backslashes name folders too: the temporary file goes beside the destination.
mkdir "$scratch/in"
quorvex get data.bin 'in\' || fail "get into 'in\\' exited $?"
quorvex get data.bin 'in\copy.bin' || fail "get to 'in\\copy.bin' exited $?"
cmp "$scratch/data.bin" "$scratch/in/data.bin" || fail "get into 'in\\' changed the file"
cmp "$scratch/data.bin" "$scratch/in/copy.bin" || fail "get to 'in\\copy.bin' changed the file"
quorvex cmp data.bin data.bin >/dev/null || fail "cmp of the same file exited $?"
printf 'x' >>"$scratch/back.bin"
status=0
quorvex cmp back.bin data.bin >/dev/null 2>&1 || status=$?
[ $status -eq 8 ] || fail "cmp of a changed file exited $status, not 8"
kill -TERM $target_pid
wait $target_pid || true
echo "windows.sh: end to end (put --verify, ls, get, cmp) passed in $((SECONDS - start)) s"
