#!/usr/bin/env bash
# Builds the release game, writes the sample data tree and starts the game in it.
set -euo pipefail
cd "$(dirname "$0")"
./tools/deps.sh

BUILD=build/release
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVOX_TESTS=OFF -DTARVOX_BENCH=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target tarvox2 mksample

"$BUILD/bin/mksample" sample

cd sample
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${SDL_VIDEODRIVER:-}" ]; then
  # No display: the offscreen driver runs the game unseen; nobody can close
  # its window, so it is closed (SIGTERM is the window's close) after a while.
  export SDL_VIDEODRIVER=offscreen
  export ALSOFT_DRIVERS=${ALSOFT_DRIVERS:-null}
  seconds=${RUN_SECONDS:-10}
  echo "No display: running offscreen for ${seconds} s."
  set +e
  timeout --preserve-status -s TERM "$seconds" ../"$BUILD"/bin/tarvox2 "$@"
  rc=$?
  set -e
  echo "tarvox2 exited with code $rc"
  exit $rc
fi
exec ../"$BUILD"/bin/tarvox2 "$@"
