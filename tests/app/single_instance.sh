#!/usr/bin/env bash
# A second tarvox2 started while the first runs raises the first window and
# ends with code 1; closing the first window ends it with code 0.
set -u
game=$1
mksample=$2
dir=$(mktemp -d)
trap 'kill $first 2>/dev/null; rm -rf "$dir"' EXIT
# A private runtime directory: no other instance on this machine interferes.
export XDG_RUNTIME_DIR="$dir/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"

"$mksample" "$dir/sample" >/dev/null || { echo "mksample failed"; exit 1; }
cd "$dir/sample"

"$game" &
first=$!
# Start-up compiles every shader program first: under the address checker
# on a busy machine that takes far longer than on a player's.
for _ in $(seq 1800); do
  grep -q "started" debug.log 2>/dev/null && break
  sleep 0.1
done
grep -q "started" debug.log || { echo "first instance did not start"; exit 1; }

"$game" 2>"$dir/second.err"
second=$?
[ "$second" -eq 1 ] || { echo "second instance exited with $second, expected 1"; exit 1; }
grep -q "already running" "$dir/second.err" ||
  { echo "the second instance did not say why it ended:"; cat "$dir/second.err"; exit 1; }

# Closing the window: SIGTERM arrives as the window's close.
kill -TERM "$first"
wait "$first"
rc=$?
[ "$rc" -eq 0 ] || { echo "first instance exited with $rc, expected 0"; exit 1; }
[ "$(grep -c started debug.log)" -eq 1 ] || { echo "the second instance started an application"; exit 1; }
echo "single instance: ok"
