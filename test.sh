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
# intercept_tls_get_addr=0: GCC 12's leak checker finds the dynamic TLS
# blocks of Mesa's libraries through that hook and, for a block that starts
# 16 bytes past a page boundary, takes the allocator's own chunk header for an
# old glibc's block header and scans from a near-zero address: its tracer dies
# at exit ("Tracer caught signal 11 ... addr=0x788") in about one GL test in
# forty, wherever the heap happens to put that block. Without the hook those
# blocks still count as reachable, as memory the dynamic linker allocated
# (use_ld_allocations), so a pointer held only in such a block is no leak.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:intercept_tls_get_addr=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# No test is retried: one that fails now and then is a fault to find.
log="$BUILD/ctest-output.log"
set +e
ctest --test-dir "$BUILD" --output-on-failure -j "$(nproc)" "$@" 2>&1 | tee "$log"
rc=${PIPESTATUS[0]}
set -e
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
