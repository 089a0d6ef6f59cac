#!/usr/bin/env bash
# A short tour of quorvex on the embedded simulated target: builds the host and
# the target server (installing what a fresh Debian machine lacks), then
# writes, lists, reads, compares, measures and removes a file, and copies and
# syncs a folder tree, in a scratch host folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quorvex quorvex-target >/dev/null
q=build/default/cli/quorvex
export QUORVEX_HOME=$(mktemp -d /tmp/quorvex-tour-XXXXXX)
trap 'rm -rf "$QUORVEX_HOME"' EXIT
head -c 200000 /dev/urandom > "$QUORVEX_HOME/firmware.bin"
# Bold command lines only on a terminal that wants colour.
bold='' plain=''
if [[ -t 1 && -z "${NO_COLOR:-}" ]]; then bold=$'\033[1m' plain=$'\033[0m'; fi
step() { printf '\n%s$ quorvex %s%s\n' "$bold" "$*" "$plain"; "$q" --core cp "$@"; }
echo "Quorvex tour: a simulated two-core target whose flash lives in $QUORVEX_HOME/flash"
step info
step put "$QUORVEX_HOME/firmware.bin" --progress none
echo "(written and read back: identical)"
step ls
step get firmware.bin "$QUORVEX_HOME/copy.bin"
cmp "$QUORVEX_HOME/firmware.bin" "$QUORVEX_HOME/copy.bin" && echo "(copy.bin matches the original byte for byte)"
step cmp "$QUORVEX_HOME/firmware.bin" firmware.bin
step df
step rm firmware.bin
mkdir -p "$QUORVEX_HOME/site/logs"
echo "hello" > "$QUORVEX_HOME/site/index.txt"
head -c 3000 /dev/urandom > "$QUORVEX_HOME/site/logs/boot.log"
step put -r "$QUORVEX_HOME/site" site --progress none
step ls -l site
echo "hello again" > "$QUORVEX_HOME/site/index.txt"
step sync "$QUORVEX_HOME/site" site --progress none
echo "(only the changed file was copied)"
step get -r site "$QUORVEX_HOME/site-copy" --progress none
diff -r "$QUORVEX_HOME/site" "$QUORVEX_HOME/site-copy" && echo "(the tree came back byte for byte)"
echo
echo "Done. Try: $q --help"
echo "A target for other processes: build/default/target/quorvex-target --listen tcp://127.0.0.1:5555"
echo "  then, in another terminal: $q --target tcp://127.0.0.1:5555 ls"
