#!/usr/bin/env bash
# check_layering.cmake's refusals, on small trees made here: an include of
# a higher folder, a built folder missing from the table and a folder of
# the table that is built but missing are each refused with a message that
# names the folder, and so is a source root that does not exist; a tree
# that keeps the layering passes; --help prints the usage.
set -u
usage() {
  echo "usage: tools/layering_test.sh"
  echo "Checks that tools/check_layering.cmake refuses what breaks the layering."
}
case "${1:-}" in -h|--help) usage; exit 0 ;; esac
[ "$#" -eq 0 ] || { usage >&2; exit 2; }
check="$(cd "$(dirname "$0")" && pwd)/check_layering.cmake"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# A tree of two library folders, each with one source file.
tree() {
  rm -rf "$dir/t" && mkdir -p "$dir/t/platform" "$dir/t/foundation"
  printf 'add_subdirectory(platform)\nadd_subdirectory(foundation)\n' > "$dir/t/CMakeLists.txt"
  echo '#include "platform/File.h"' > "$dir/t/foundation/a.cpp"
  echo '#include <cstdio>' > "$dir/t/platform/b.cpp"
}
# Runs the check on the tree; $1 0 for a pass, 1 for a refusal whose
# output holds $2.
expect() {
  cmake -DSOURCE_DIR="$dir/t" -P "$check" > "$dir/out.txt" 2>&1
  rc=$?
  if [ "$1" -eq 0 ]; then
    [ "$rc" -eq 0 ] || { echo "a good tree was refused:"; cat "$dir/out.txt"; exit 1; }
  else
    # CMake wraps its messages: the words are compared on one line.
    [ "$rc" -ne 0 ] && tr -s ' \n' '  ' < "$dir/out.txt" | grep -q "$2" ||
      { echo "not refused with \"$2\" (exit $rc):"; cat "$dir/out.txt"; exit 1; }
  fi
}

tree
expect 0
echo '#include "graphics/Mesh.h"' >> "$dir/t/foundation/a.cpp"
expect 1 "foundation/ may include only platform"
tree
mkdir "$dir/t/extra" && echo 'add_subdirectory(extra)' >> "$dir/t/CMakeLists.txt"
expect 1 "extra/ is built but not in the layering table"
tree
rm -rf "$dir/t/foundation"
expect 1 "foundation/ is in the layering table and built, but there is no such folder"
rm -rf "$dir/t"
expect 1 "is not a source root"
cmake -P "$check" -- --help > "$dir/out.txt" 2>&1 && grep -q "usage:" "$dir/out.txt" ||
  { echo "check_layering --help: no usage"; cat "$dir/out.txt"; exit 1; }
echo "layering refusals: ok"
