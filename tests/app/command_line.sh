#!/usr/bin/env bash
# tarvox2 --help lists the command-line options and ends with code 0; an
# unknown option, or one without its value, is named on stderr and ends it
# with code 64; neither starts the application (no debug.log).
set -u
game=$(realpath "$1")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
export XDG_RUNTIME_DIR="$dir/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
fail() { echo "$*"; exit 1; }

"$game" --help >out 2>err
rc=$?
[ "$rc" -eq 0 ] || fail "--help ended with $rc, expected 0"
for option in -g -m -freecamera -netdialog -replay; do
  grep -q -- "$option " out || fail "--help does not list $option: $(cat out)"
done

check_refused() {
  local expected=$1
  shift
  "$game" "$@" >out 2>err
  local rc=$?
  [ "$rc" -eq 64 ] || fail "'$*' ended with $rc, expected 64"
  grep -qF -- "$expected" err || fail "'$*': stderr does not say $expected: $(cat err)"
}
check_refused 'unknown option "-fullscreen"' -fullscreen 1
check_refused 'unknown option "script.txt"' script.txt
check_refused 'option "-g" needs a value' -g
check_refused 'unknown option "-x"' -FreeCamera 1 -x 2
[ ! -e debug.log ] || fail "a refused command line started the application"
echo "command line: ok"
