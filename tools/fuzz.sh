#!/usr/bin/env bash
# Fuzzes the file readers with libFuzzer for a while.
#
#     tools/fuzz.sh [SECONDS] [READER...]
#
# SECONDS per reader (default 60); readers: pack archive database
# resource_db (default all). Builds the fuzz targets with Clang, AddressSanitizer
# and UndefinedBehaviorSanitizer in build/fuzz (FUZZ_BUILD overrides), starts
# from the seed corpus that fuzz_corpus writes with the engine's own writers,
# and keeps what it finds in build/fuzz/corpus/<reader>. A crash leaves its
# input in build/fuzz/crashes/<reader>/ and ends the script with code 1;
# replay it with: build/fuzz/tests/fuzz_<reader> <input>.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
readers=("$@")
[ ${#readers[@]} -gt 0 ] || readers=(pack archive database resource_db)
build=${FUZZ_BUILD:-build/fuzz}

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVOX_SANITIZE=ON \
  -DTARVOX_BENCH=OFF -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
targets=(fuzz_corpus)
for r in "${readers[@]}"; do targets+=("fuzz_$r"); done
cmake --build "$build" --target "${targets[@]}"

"$build/tests/fuzz_corpus" "$build/seeds" >/dev/null
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=0
for r in "${readers[@]}"; do
  corpus="$build/corpus/$r"
  crashes="$build/crashes/$r"
  mkdir -p "$corpus" "$crashes" "$build/logs"
  echo "fuzzing $r for ${seconds} s"
  # The readers log every damaged input; that goes to the log file.
  if ! "$build/tests/fuzz_$r" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$crashes/" "$corpus" "$build/seeds/$r" >"$build/logs/$r.log" 2>&1; then
    echo "fuzz_$r failed; its input is in $crashes, the report in $build/logs/$r.log:"
    grep -m 20 -E "ERROR|SUMMARY|runtime error|#[0-9]+ 0x" "$build/logs/$r.log" || tail -20 "$build/logs/$r.log"
    failed=1
  else
    grep -E "^Done|stat::number_of_executed_units" "$build/logs/$r.log" | tail -1
  fi
done
exit $failed
