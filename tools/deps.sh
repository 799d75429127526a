#!/usr/bin/env bash
# The one list of Debian packages the project needs, installed when missing.
# Both README commands call this first.
set -euo pipefail

usage() {
  echo "usage: tools/deps.sh"
  echo "Installs the Debian packages the project needs that are missing (with sudo"
  echo "when not root); does nothing when all are there."
}
case "${1:-}" in
  "") ;;
  -h|--help) usage; exit 0 ;;
  *) usage >&2; exit 2 ;;
esac

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build pkg-config ccache clang libclang-rt-14-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # platform layer: window, input, GL, sound, video, fonts
  libsdl2-dev libgl-dev libgl1-mesa-dri libopenal-dev
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev libswresample-dev
  libfreetype-dev fonts-dejavu-core libstb-dev libmeshoptimizer-dev
  # the network layer's sessions
  libenet-dev
  # data formats named by the engine
  liblzo2-dev libogg-dev libvorbis-dev libjpeg62-turbo-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing missing packages: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
