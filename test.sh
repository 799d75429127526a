#!/usr/bin/env bash
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs every
# test headless.
set -euo pipefail
cd "$(dirname "$0")"
./tools/deps.sh

BUILD=build/asan
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVOX_SANITIZE=ON >/dev/null
cmake --build "$BUILD" -j "$(nproc)"

export SDL_VIDEODRIVER=offscreen
export ALSOFT_DRIVERS=null
export LIBGL_ALWAYS_SOFTWARE=1
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir "$BUILD" --output-on-failure -j "$(nproc)" "$@"
