#!/usr/bin/env bash
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs every
# test headless.
set -euo pipefail
cd "$(dirname "$0")"
./tools/deps.sh

BUILD=build/asan
# The benchmarks are timed in a Release build of their own (README); they are
# compiled here too, so that one that no longer builds shows at once.
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVOX_SANITIZE=ON -DTARVOX_BENCH=ON >/dev/null
cmake --build "$BUILD" -j "$(nproc)"

export SDL_VIDEODRIVER=offscreen
export ALSOFT_DRIVERS=null
export LIBGL_ALWAYS_SOFTWARE=1
# llvmpipe draws on the calling thread: no rasteriser threads for
# LeakSanitizer to trip over at exit, and small test frames draw as fast.
export LP_NUM_THREADS=0
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# No test is retried: one that fails now and then is a fault to find.
log="$BUILD/ctest-output.log"
set +e
ctest --test-dir "$BUILD" --output-on-failure -j "$(nproc)" "$@" 2>&1 | tee "$log"
rc=${PIPESTATUS[0]}
set -e
# LeakSanitizer's own tracer sometimes crashes at exit in a process that has
# driven Mesa's llvmpipe ("Tracer caught signal 11 ... LeakSanitizer has
# encountered a fatal error") although the test passed. Only the tests whose
# failure is exactly that are run once more, without the leak checker; any
# other failure (an assertion, a leak report, a sanitizer error, a timeout)
# fails the run at once.
if [ "$rc" -ne 0 ]; then
  # ctest prints each failed test's result line and then its output.
  lsan_only=$(awk '
    /^ *[0-9]+\/[0-9]+ Test +#[0-9]+: / {
      if (name != "" && failed) print name, (crash && !other)
      # By number: the names of parameterised tests hold spaces and "#".
      name = $3; sub(/^#/, "", name); sub(/:$/, "", name)
      failed = ($0 ~ /\*\*\*(Failed|Exception|Timeout)/); crash = 0; other = 0; next
    }
    /LeakSanitizer has encountered a fatal error/ { crash = 1 }
    /detected memory leaks|ERROR: AddressSanitizer|runtime error:|^\[  FAILED  \]/ { other = 1 }
    END { if (name != "" && failed) print name, (crash && !other) }' "$log")
  if [ -n "$lsan_only" ] && ! echo "$lsan_only" | awk '$2 != 1 { bad = 1 } END { exit !bad }'; then
    numbers=$(echo "$lsan_only" | awk '{ printf ",%s", $1 }')
    echo "Re-running the tests whose leak checker crashed at exit, without it:"
    echo "$lsan_only" | awk '{ print "  #" $1 }'
    ASAN_OPTIONS="detect_leaks=0" ctest --test-dir "$BUILD" --output-on-failure -I "0,0,0$numbers"
    rc=$?
  fi
fi
if [ "$rc" -ne 0 ]; then
  # Once more at the end, where a short tail of the log shows it: the
  # output of each failed test (its first 100 lines).
  echo "Output of the failed tests:"
  awk '
    /^ *[0-9]+\/[0-9]+ Test +#[0-9]+: / || /^ *Start +[0-9]+: / || /^[0-9]+% tests passed/ {
      keep = ($0 ~ /\*\*\*(Failed|Exception|Timeout)/); n = 0
    }
    keep && n++ < 100' "$log"
fi
exit "$rc"
