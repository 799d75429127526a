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
#
# Under ThreadSanitizer the GL tests spend most of their time outside our
# code: every dlopen and dlclose makes TSan rescan every loaded module, and
# llvmpipe's JIT opens the program itself (dlopen(NULL)) for each shader it
# compiles. tools/tsan/dlopen_self.c, preloaded, sends those to the C
# library directly. clear_shadow_mmap_threshold: Mesa's and LLVM's blocks
# of 16 KB and more get fresh shadow pages instead of having theirs
# cleared, which halved the CPU time of a test that compiles its programs.
# TSAN_JOBS (default: the number of cores) sets the build's and ctest's jobs.
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

# Built without ThreadSanitizer, like the libraries it stands before.
cc -shared -fPIC -O2 -Wall -Wextra -Werror -o "$BUILD/libdlopen_self.so" tools/tsan/dlopen_self.c -ldl
export LD_PRELOAD="$PWD/$BUILD/libdlopen_self.so"

export SDL_VIDEODRIVER=offscreen
export ALSOFT_DRIVERS=null
export LIBGL_ALWAYS_SOFTWARE=1
export LP_NUM_THREADS=0
# exitcode: a report fails the test even when every assertion passed.
export TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp:second_deadlock_stack=1:exitcode=66:halt_on_error=0:clear_shadow_mmap_threshold=16384"
ctest --test-dir "$BUILD" --output-on-failure -j "${TSAN_JOBS:-$(nproc)}" "$@"
