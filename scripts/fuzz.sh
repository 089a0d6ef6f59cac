#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz (the whole tree with
# coverage, ASan and UBSan; no tests) and runs each for SECONDS (default 60)
# from its committed corpus fuzz/corpus/NAME, merging inputs that add coverage
# back into it. A crash, hang or leak is written into that corpus as
# crash-*/timeout-*/leak-* (commit it: ctest replays every corpus file in every
# build) and makes the script fail after the other fuzzers have run.
# Usage: scripts/fuzz.sh [SECONDS] [NAME...]   (default: every fuzzer)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

# The fuzz build needs clang and its libFuzzer runtime; the normal build does not.
probe() {
  echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' |
    "$1" -fsanitize=fuzzer,address,undefined -x c++ - -o /dev/null 2>/dev/null
}
cxx=""
for candidate in ${FUZZ_CXX:-} clang++ clang++-14; do
  if command -v "$candidate" >/dev/null && probe "$candidate"; then cxx=$candidate; break; fi
done
if [ -z "$cxx" ]; then
  echo "Installing: clang libclang-rt-dev (libFuzzer runtime)"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq clang libclang-rt-dev
  cxx=clang++
  probe "$cxx" || { echo "fuzz.sh: $cxx cannot build a libFuzzer program" >&2; exit 1; }
fi
command -v cmake >/dev/null && command -v ninja >/dev/null || bash scripts/deps.sh

build=build/fuzz
CXX=$cxx cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORVEX_BUILD_TESTS=OFF -DQUORVEX_BUILD_FUZZ=ON -DQUORVEX_SANITIZE=ON \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" >/dev/null
cmake --build "$build"

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for program in "$build"/fuzz/quorvex_*_fuzzer; do
    name=${program##*/quorvex_}
    names+=("${name%_fuzzer}")
  done
fi

failed=()
for name in "${names[@]}"; do
  corpus=fuzz/corpus/$name
  fresh=$build/new-$name
  rm -rf "$fresh"
  mkdir -p "$corpus" "$fresh"
  echo "== $name: ${seconds}s from $(ls "$corpus" | wc -l) inputs"
  # Time-outs are virtual in the harnesses, so 10 real seconds on one input is a hang.
  if ! "$build/fuzz/quorvex_${name}_fuzzer" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$corpus/" \
      "$fresh" "$corpus" 2>"$build/$name.log"; then
    failed+=("$name")
    grep -E "ERROR|fuzz check failed|Test unit written" "$build/$name.log" >&2 || true
  fi
  grep -E "stat::number_of_executed_units|cov: " "$build/$name.log" | tail -2
  "$build/fuzz/quorvex_${name}_fuzzer" -merge=1 "$corpus" "$fresh" 2>/dev/null >/dev/null || true
  rm -rf "$fresh"
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz.sh: failures in: ${failed[*]} (reproducers in fuzz/corpus/NAME, logs in $build)" >&2
  exit 1
fi
