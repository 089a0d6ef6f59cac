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

# The installed programs find their libraries on their own: the installed
# target serves the installed command-line host.
bin="$scratch/prefix/bin"
"$bin/quorvex-target" --listen "unix:$scratch/target.sock" >"$scratch/target.out" 2>&1 &
target=$!
trap 'kill $target 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  grep -q '^listening on ' "$scratch/target.out" && break
  sleep 0.1
done
volumes=$(QUORVEX_HOME="$scratch/home" "$bin/quorvex" --target "unix:$scratch/target.sock" \
  --core cp volumes --json)
test "$volumes" = '["dfm"]'
kill -TERM $target
wait $target
echo "installed programs: $volumes"
