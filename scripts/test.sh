#!/usr/bin/env bash
# Builds Quorvex and runs every test; prints a short summary and keeps the full
# log. Usage: scripts/test.sh [default|sanitize]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
log=build/$preset-test.log
bash scripts/deps.sh
mkdir -p build
cmake --preset "$preset" >/dev/null
started=$SECONDS
if ! cmake --build --preset "$preset" >"$log" 2>&1; then
  tail -n 30 "$log"
  echo "build failed ($preset); full log: $log"
  exit 1
fi
status=0
ctest --preset "$preset" >>"$log" 2>&1 || status=$?
# ctest's own summary line, and the names of the tests that failed.
grep -E '^[0-9]+% tests passed' "$log" | tail -n 1 || true
sed -n '/The following tests FAILED:/,/^Errors while running/p' "$log" | grep -E '^\s+[0-9]+ - ' || true
echo "$preset: $((SECONDS - started))s; full log: $log"
exit $status
