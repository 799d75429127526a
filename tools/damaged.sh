#!/usr/bin/env bash
# Runs the game over damaged copies of the sample data tree, one damaged
# file at a time, and says for each what the error log got.
#
#     tools/damaged.sh [-j JOBS] [SECONDS] [FILE...]
#
# FILE: paths inside the sample tree ("Data/CONFIG/cfg.ini"); default every
# file mksample writes. Each file is damaged four ways: emptied, cut to
# half its length, its bytes replaced by random ones of the same length,
# and a run of 16 bytes in its middle changed. The game (build/release, or
# GAME and MKSAMPLE) runs headless for SECONDS (default 15) in a copy of the
# tree and is then closed. A line per case: the exit status, the number of
# error-log lines, and what is wrong with them: "crash" (a signal other
# than the closing one), "hang" (not closed in time), "silent" (no line),
# "unnamed" (no line names the file), "raw" (bytes outside printable ASCII
# and 1251 letters), "mixed" (a path with both separators), "empty-trace"
# (a bare "EXCEPTION:"). Ends with code 1 when any case has one of those.
# A flip that leaves no line in a binary file (one holding a NUL byte) is
# "unchecked", not a fault: its formats carry no checksum, so 16 changed
# bytes of pixels or vertices make another valid file.
# A file the game does not open (seen with strace, when it is installed, on
# an undamaged run of twice that time) is not run: its cases are marked
# "unread"; a case whose run left no line and did not read the file (its
# access time unchanged: some files are picked at random) is marked
# "unread this run".
set -uo pipefail
# --help: the comment above, which is the usage.
case "${1:-}" in
  -h|--help) sed -n '2,/^set /{/^#/s/^# \{0,1\}//p}' "$0"; exit 0 ;;
esac
cd "$(dirname "$0")/.."

jobs=2
if [ "${1:-}" = "-j" ]; then
  jobs=$2
  shift 2
fi
seconds=${1:-15}
shift || true
game=$(realpath "${GAME:-build/release/bin/tarvox2}")
mksample=$(realpath "${MKSAMPLE:-build/release/bin/mksample}")
[ -x "$game" ] && [ -x "$mksample" ] || {
  echo "build the release game first: ./run.sh, or set GAME and MKSAMPLE" >&2
  exit 2
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$mksample" "$work/sample" >/dev/null || exit 2
files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  mapfile -t files < <(cd "$work/sample" && find . -type f | sed 's|^\./||' | sort)
fi

export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null LIBGL_ALWAYS_SOFTWARE=1 LP_NUM_THREADS=0

# The damage: kind, source file, target file.
damage() {
  local kind=$1 src=$2 dst=$3 size
  size=$(stat -c %s "$src")
  case $kind in
    empty) : >"$dst" ;;
    half) head -c $((size / 2)) "$src" >"$dst" ;;
    noise) head -c "$size" /dev/urandom >"$dst" ;;
    flip)
      cp "$src" "$dst"
      [ "$size" -gt 0 ] && head -c 16 /dev/urandom |
        dd of="$dst" bs=1 seek=$((size / 2)) conv=notrunc status=none
      ;;
  esac
}

# One case: prints its line; status 1 when it found a fault.
run_case() {
  local file=$1 kind=$2 dir="$work/case_$3"
  if [ -s "$opened" ] && ! grep -qxiF -- "$file" "$opened"; then
    printf '%-36s %-6s unread\n' "$file" "$kind"
    return 0
  fi
  cp -r "$work/sample" "$dir"
  damage "$kind" "$work/sample/$file" "$dir/$file"
  # Its access time tells whether this run read it: the game picks some
  # files at random (the waiting pictures).
  local before
  before=$(stat -c %x "$dir/$file")
  local rc
  # A runtime directory of its own: the cases run side by side, and a
  # second game would only raise the first one's window.
  mkdir -m 700 "$dir/run"
  (cd "$dir" && XDG_RUNTIME_DIR="$dir/run" timeout --preserve-status -s TERM -k 30 "$seconds" "$game" \
     >/dev/null 2>"$dir/stderr")
  rc=$?
  local log="$dir/error.log" faults=() lines=0
  [ -f "$log" ] && lines=$(wc -l <"$log")
  # TERM is the window's close: the game ends with its own code (0 when it
  # ran, 1-4 when start-up failed); KILL follows 30 s later if it did not
  # (a start-up still loading closes only once its loading is done).
  case $rc in
    0 | 1 | 2 | 3 | 4) ;;
    137) faults+=(hang) ;;
    *) faults+=("crash($rc)") ;;
  esac
  local base
  base=$(basename "$file")
  if [ "$lines" -eq 0 ] && [ ${#faults[@]} -eq 0 ] && [ "$(stat -c %x "$dir/$file")" = "$before" ]; then
    printf '%-36s %-6s unread this run\n' "$file" "$kind"
    rm -rf "$dir"
    return 0
  elif [ "$lines" -eq 0 ] && [ "$kind" = flip ] && [ "$(tr -cd '\000' <"$work/sample/$file" | head -c 1 | wc -c)" -eq 1 ]; then
    # 16 changed bytes inside the data of a binary format that holds no
    # checksum (pixels, vertices, an index entry) make another valid file.
    faults+=(unchecked)
  elif [ "$lines" -eq 0 ]; then
    faults+=(silent)
  else
    grep -qiF -- "$base" "$log" || grep -qiF -- "${base%.*}" "$log" || faults+=(unnamed)
    LC_ALL=C grep -q $'[\x01-\x08\x0b-\x1f\x7f-\xbf]' "$log" && faults+=(raw)
    grep -qE '/[^ ]*\\|\\[^ ]*/' "$log" && faults+=(mixed)
    grep -qE 'EXCEPTION: *$' "$log" && faults+=(empty-trace)
  fi
  printf '%-36s %-6s exit %-4s %3d lines  %s\n' "$file" "$kind" "$rc" "$lines" "${faults[*]:-ok}"
  if [ -n "${VERBOSE:-}" ] && [ -f "$log" ]; then sed 's/^/    /' "$log" | cut -c1-300; fi
  rm -rf "$dir"
  [ ${#faults[@]} -eq 0 ] || [ "${faults[*]}" = unchecked ]
}

# The files an undamaged run opens.
opened="$work/opened"
: >"$opened"
if command -v strace >/dev/null; then
  cp -r "$work/sample" "$work/probe"
  mkdir -m 700 "$work/probe/run"
  (cd "$work/probe" && XDG_RUNTIME_DIR="$work/probe/run" timeout -s TERM -k 30 $((seconds * 2)) \
     strace -f -qq -e trace=openat -o "$work/trace" "$game" >/dev/null 2>&1)
  sed -n 's|.*"'"$work"'/probe/\([^"]*\)".*|\1|p; s|^[0-9]* *openat([^"]*"\([^/"][^"]*\)".*|\1|p' \
    "$work/trace" | sort -u >"$opened"
  rm -rf "$work/probe"
fi
failed=0
running=0
n=0
for f in "${files[@]}"; do
  for kind in empty half noise flip; do
    n=$((n + 1))
    run_case "$f" "$kind" "$n" &
    running=$((running + 1))
    if [ $running -ge "$jobs" ]; then
      wait -n || failed=1
      running=$((running - 1))
    fi
  done
done
while [ $running -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done
exit $failed
