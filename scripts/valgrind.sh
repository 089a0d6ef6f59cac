#!/usr/bin/env bash
# Runs every test program of the default build under valgrind memcheck; any
# memory error fails the run. Slow (tens of minutes), so not part of CI.
# Usage: scripts/valgrind.sh [REGEX]   (only the programs whose path matches)
set -euo pipefail
cd "$(dirname "$0")/.."
command -v valgrind >/dev/null || { echo "valgrind.sh: valgrind is not installed" >&2; exit 1; }
cmake --preset default >/dev/null
cmake --build --preset default
failed=()
for program in $(find build/default/tests -type f -executable -name 'quorvex_*' | sort); do
  [[ $program =~ ${1:-.} ]] || continue
  echo "== $program"
  # Replays take their corpus as arguments; the test programs take none.
  args=()
  case $program in *_replay) name=${program##*/quorvex_}; args=(fuzz/corpus/"${name%_replay}") ;; esac
  if ! valgrind -q --error-exitcode=99 --track-origins=yes "$program" "${args[@]}" >"$program.valgrind.log" 2>&1; then
    failed+=("$program")
    grep -E "^==[0-9]+== [A-Z]|FAILED" "$program.valgrind.log" | head -5 >&2 || true
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "valgrind.sh: errors in: ${failed[*]} (see PROGRAM.valgrind.log)" >&2
  exit 1
fi
