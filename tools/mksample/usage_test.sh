#!/usr/bin/env bash
# mksample's arguments: --help prints the usage on stdout and exits 0 without
# writing anything; an unknown option or a wrong count is refused with the
# usage on stderr and exit code 2. A sample tree is written without errors.
set -u
usage() {
  echo "usage: tools/mksample/usage_test.sh MKSAMPLE"
  echo "Checks mksample's arguments and that it writes a sample tree without errors."
}
case "${1:-}" in -h|--help) usage; exit 0 ;; esac
[ "$#" -eq 1 ] || { usage >&2; exit 2; }
mksample=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"

"$mksample" --help >out.txt 2>err.txt || { echo "mksample --help failed"; exit 1; }
grep -q "usage: mksample" out.txt && [ ! -s err.txt ] || { echo "mksample --help: no usage on stdout"; exit 1; }
[ "$(ls)" = "$(printf 'err.txt\nout.txt')" ] || { echo "mksample --help wrote files:"; ls; exit 1; }
for args in "--frobnicate" "-x" "" "a b"; do
  # shellcheck disable=SC2086
  "$mksample" $args >out.txt 2>err.txt
  rc=$?
  [ "$rc" -eq 2 ] && grep -q "usage: mksample" err.txt && [ ! -s out.txt ] ||
    { echo "mksample $args: exit $rc, expected 2 with the usage on stderr"; exit 1; }
done
[ ! -e ./--frobnicate ] && [ ! -e ./-x ] && [ ! -e ./a ] || { echo "mksample wrote a tree for an option"; exit 1; }
# A tree written cleanly: no error on stderr and no error log anywhere.
"$mksample" tree >out.txt 2>err.txt || { echo "mksample tree failed"; cat err.txt; exit 1; }
[ ! -s err.txt ] || { echo "mksample wrote errors:"; cat err.txt; exit 1; }
logs=$(find . -iname error.log)
[ -z "$logs" ] || { echo "mksample logged errors:"; cat $logs; exit 1; }
echo "mksample usage: ok"
