#!/usr/bin/env bash
# paktool round trip: a directory packed and extracted again is the same
# byte for byte (names too, Cyrillic included); a damaged pack ends with a
# message and a non-zero exit code.
set -u
usage() {
  echo "usage: tools/paktool/roundtrip_test.sh PAKTOOL"
  echo "Packs and extracts a directory with PAKTOOL and checks its refusals and messages."
}
case "${1:-}" in -h|--help) usage; exit 0 ;; esac
[ "$#" -eq 1 ] || { usage >&2; exit 2; }
paktool=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"

mkdir -p src/Data/Sub src/Текстуры out
head -c 150000 /dev/urandom > src/Data/noise.bin
for i in $(seq 4000); do echo "line $((i % 7)) of the sample text"; done > src/Data/Sub/text.txt
head -c 70000 /dev/zero > src/Data/zeros
: > src/empty
echo "кириллица" > src/Текстуры/Имя.txt

"$paktool" create sample.pak src --block-size 16384 >/dev/null 2>&1 || { echo "create failed"; exit 1; }
"$paktool" list sample.pak | grep -q 'Data\\Sub\\text.txt' || { echo "list lacks an entry"; exit 1; }
"$paktool" extract sample.pak out >/dev/null 2>&1 || { echo "extract failed"; exit 1; }
diff -r src out || { echo "the extracted tree differs"; exit 1; }

head -c 300 sample.pak > cut.pak
# A damaged pack: one line that names it and says what is wrong, and no log
# file left in the folder it ran in.
if "$paktool" list cut.pak >/dev/null 2>err.txt; then echo "a cut pack was listed"; exit 1; fi
[ "$(wc -l < err.txt)" -eq 1 ] && grep -q "cut.pak.*the pack is not used" err.txt ||
  { echo "not one clear line for a cut pack:"; cat err.txt; exit 1; }
if "$paktool" extract cut.pak out2 >/dev/null 2>err.txt; then echo "a cut pack was extracted"; exit 1; fi
[ "$(wc -l < err.txt)" -eq 1 ] || { echo "not one line for a cut pack to extract:"; cat err.txt; exit 1; }
"$paktool" list missing.pak >/dev/null 2>err.txt
[ $? -eq 1 ] && [ "$(cat err.txt)" = "paktool: cannot open missing.pak" ] ||
  { echo "a missing pack was not named once:"; cat err.txt; exit 1; }
"$paktool" create nowhere/x.pak src >/dev/null 2>err.txt
[ $? -eq 1 ] && [ "$(wc -l < err.txt)" -eq 1 ] && grep -q "nowhere" err.txt ||
  { echo "an unwritable pack was not named once:"; cat err.txt; exit 1; }
[ -z "$(find . -name '*.log')" ] || { echo "paktool left logs:"; find . -name '*.log'; exit 1; }
# Method bits that name no method are refused.
"$paktool" create m.pak src --methods 999 >out.txt 2>err.txt
[ $? -eq 2 ] && grep -q "unknown method bits" err.txt && [ ! -e m.pak ] ||
  { echo "paktool --methods 999 was not refused"; cat err.txt; exit 1; }
"$paktool" >/dev/null 2>&1
[ $? -eq 2 ] || { echo "usage error did not exit with 2"; exit 1; }
# --help: the usage on stdout, exit 0; an unknown option: the usage on
# stderr, exit 2, and nothing written.
"$paktool" --help >help.txt 2>help.err || { echo "paktool --help failed"; exit 1; }
grep -q "usage: paktool" help.txt && [ ! -s help.err ] || { echo "paktool --help: no usage on stdout"; exit 1; }
"$paktool" create x.pak src --frobnicate 1 >out.txt 2>err.txt
[ $? -eq 2 ] && grep -q "usage: paktool" err.txt && [ ! -s out.txt ] && [ ! -e x.pak ] ||
  { echo "paktool: an unknown option was not refused with the usage"; exit 1; }
"$paktool" list --verbose >out.txt 2>err.txt
[ $? -eq 2 ] && grep -q "usage: paktool" err.txt || { echo "paktool list --verbose was not refused"; exit 1; }
echo "paktool round trip: ok"
