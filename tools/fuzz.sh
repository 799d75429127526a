#!/usr/bin/env bash
# Fuzzes the file readers with libFuzzer for a while.
#
#     tools/fuzz.sh [-j JOBS] [SECONDS] [READER...]
#
# SECONDS per reader (default 60); READER names a fuzz target without its
# "fuzz_" (default every one the build defines: tests/CMakeLists.txt writes
# their list to build/fuzz/tests/fuzz_readers.txt); JOBS readers at a time
# (default 1). Builds the fuzz targets
# with Clang, AddressSanitizer and UndefinedBehaviorSanitizer in build/fuzz
# (FUZZ_BUILD overrides), starts from the seed corpus that fuzz_corpus
# writes with the engine's own writers, and keeps what it finds in
# build/fuzz/corpus/<reader>. A crash leaves its input in
# build/fuzz/crashes/<reader>/ and ends the script with code 1; replay it
# with: build/fuzz/tests/fuzz_<reader> <input>. Every path handed to a
# target is absolute: the targets work in a temporary directory of their own.
set -euo pipefail
# --help: the comment above, which is the usage.
case "${1:-}" in
  -h|--help) sed -n '2,/^set /{/^#/s/^# \{0,1\}//p}' "$0"; exit 0 ;;
esac
cd "$(dirname "$0")/.."

jobs=1
if [ "${1:-}" = "-j" ]; then
  jobs=$2
  shift 2
fi
seconds=${1:-60}
shift || true
readers=("$@")
build=$(realpath -m "${FUZZ_BUILD:-build/fuzz}")

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVOX_SANITIZE=ON \
  -DTARVOX_BENCH=OFF -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
[ ${#readers[@]} -gt 0 ] || mapfile -t readers <"$build/tests/fuzz_readers.txt"
# The engine's seeds come from fuzz_corpus and the scripts' from
# fuzz_script_corpus; a reader with a seed writer of its own
# (fuzz_<reader>_seeds: its source built with TVX_FUZZ_WRITE_SEEDS, or named
# in tests/CMakeLists.txt) gets its seeds from it.
targets=(fuzz_corpus fuzz_script_corpus)
for r in "${readers[@]}"; do
  targets+=("fuzz_$r")
  if grep -q TVX_FUZZ_WRITE_SEEDS "tests/fuzz/fuzz_${r}.cpp" 2>/dev/null ||
     grep -q "fuzz_${r}_seeds" tests/CMakeLists.txt; then
    targets+=("fuzz_${r}_seeds")
  fi
done
cmake --build "$build" -j "${FUZZ_BUILD_JOBS:-4}" --target "${targets[@]}"

# Headless, as ./test.sh runs the tests: llvmpipe draws on the calling thread.
export SDL_VIDEODRIVER=offscreen LIBGL_ALWAYS_SOFTWARE=1 LP_NUM_THREADS=0 ALSOFT_DRIVERS=null
"$build/tests/fuzz_corpus" "$build/seeds" >/dev/null 2>&1
"$build/tests/fuzz_script_corpus" "$build/seeds" >/dev/null 2>&1
for r in "${readers[@]}"; do
  if [ -x "$build/tests/fuzz_${r}_seeds" ]; then "$build/tests/fuzz_${r}_seeds" "$build/seeds/$r" >/dev/null 2>&1; fi
done
# As ./test.sh, whose comment says why: fuzz_complex_object and fuzz_obj
# open a device on Mesa, whose TLS blocks crash the leak checker at exit
# without intercept_tls_get_addr=0.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:intercept_tls_get_addr=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
mkdir -p "$build/logs"

# One reader; its status is what libFuzzer returned.
fuzz_one() {
  local r=$1
  local corpus="$build/corpus/$r" crashes="$build/crashes/$r"
  mkdir -p "$corpus" "$crashes"
  # Inputs that once crashed a reader are kept with the tests; they start
  # the corpus too.
  local extra=()
  [ -d tests/fuzz/regressions/$r ] && extra+=("$(realpath tests/fuzz/regressions/$r)")
  # The readers log every damaged input; that goes to the log file. An input
  # is a hang after 30 s: at low priority on a loaded machine a large video's
  # first frames (2 s of the decoder's allocations) took over 10.
  if "$build/tests/fuzz_$r" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$crashes/" "$corpus" "$build/seeds/$r" "${extra[@]}" >"$build/logs/$r.log" 2>&1; then
    echo "fuzz_$r: $(grep -E "stat::number_of_executed_units" "$build/logs/$r.log" | awk '{print $2}') runs," \
         "$(ls "$corpus" | wc -l) inputs in the corpus, nothing found"
  else
    echo "fuzz_$r failed; its input is in $crashes, the report in $build/logs/$r.log:"
    grep -m 20 -E "ERROR|SUMMARY|runtime error|#[0-9]+ 0x" "$build/logs/$r.log" || tail -20 "$build/logs/$r.log"
    return 1
  fi
}

failed=0
running=0
for r in "${readers[@]}"; do
  echo "fuzzing $r for ${seconds} s"
  fuzz_one "$r" &
  running=$((running + 1))
  if [ $running -ge "$jobs" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
done
while [ $running -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done
exit $failed
