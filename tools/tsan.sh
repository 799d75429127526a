#!/usr/bin/env bash
# Builds with ThreadSanitizer in build/tsan and runs every test headless.
#
#     tools/tsan.sh [CTEST ARGUMENTS...]
#
# Any data race, lock-order inversion or thread leak that TSan reports in a
# test fails that test. tests/tsan.supp holds the only suppressions: reports
# whose racing accesses lie inside OpenAL or Mesa, which are not ours to
# mend. llvmpipe draws on the calling thread (LP_NUM_THREADS=0), so its
# rasteriser threads neither race nor slow the run.
set -euo pipefail
# --help: the comment above, which is the usage.
case "${1:-}" in
  -h|--help) sed -n '2,/^set /{/^#/s/^# \{0,1\}//p}' "$0"; exit 0 ;;
esac
cd "$(dirname "$0")/.."
./tools/deps.sh

BUILD=build/tsan
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVOX_TSAN=ON \
      -DTARVOX_BENCH=OFF >/dev/null
cmake --build "$BUILD" -j "${TSAN_JOBS:-$(nproc)}"

export SDL_VIDEODRIVER=offscreen
export ALSOFT_DRIVERS=null
export LIBGL_ALWAYS_SOFTWARE=1
export LP_NUM_THREADS=0
# exitcode: a report fails the test even when every assertion passed.
export TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp:second_deadlock_stack=1:exitcode=66:halt_on_error=0"
ctest --test-dir "$BUILD" --output-on-failure -j "${TSAN_JOBS:-$(nproc)}" "$@"
