#!/usr/bin/env bash
# A damaged database ends start-up with its own message naming the file and
# the fault, not with "Database not found"; a missing one still says so.
set -u
game=$1
mksample=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export XDG_RUNTIME_DIR="$dir/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"

"$mksample" "$dir/sample" >/dev/null || { echo "mksample failed"; exit 1; }
cd "$dir/sample"

cp Data/DB.tab "$dir/DB.tab"
head -c 5 "$dir/DB.tab" >Data/DB.tab
"$game" 2>"$dir/err"
rc=$?
[ "$rc" -eq 4 ] || { echo "damaged database: exit code $rc, expected 4"; cat "$dir/err"; exit 1; }
grep -q "Database damaged" "$dir/err" || { echo "no damaged-database message:"; cat "$dir/err"; exit 1; }
grep -q "DB.tab': header truncated" "$dir/err" || { echo "the message does not name the file and fault:"; cat "$dir/err"; exit 1; }
grep -q "DB.tab': header truncated" error.log || { echo "no error line in error.log"; exit 1; }

cp "$dir/DB.tab" Data/DB.tab
rm Data/DB.dat
"$game" 2>"$dir/err"
rc=$?
[ "$rc" -eq 1 ] || { echo "missing database: exit code $rc, expected 1"; cat "$dir/err"; exit 1; }
grep -q "Database not found" "$dir/err" || { echo "no missing-database message:"; cat "$dir/err"; exit 1; }
echo "damaged database: ok"
