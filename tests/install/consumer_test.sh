#!/usr/bin/env bash
# Usage: consumer_test.sh BUILD_DIR CONSUMER_SOURCE SCRATCH [CXX_FLAGS]
set -euo pipefail
build=$1 source=$2 scratch=$3 flags=${4:-}
rm -rf "$scratch"
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
test -f "$scratch/prefix/lib/cmake/Quorvex/QuorvexConfig.cmake"
test -f "$scratch/prefix/include/quorvex/FlashExplorerData.h"
cmake -S "$source" -B "$scratch/build" -DCMAKE_PREFIX_PATH="$scratch/prefix" \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$scratch/build" >/dev/null
out=$(QUORVEX_HOME="$scratch/home" "$scratch/build/consumer")
test "$out" = "1 KB|a.txt"
echo "consumer: $out"
