#!/usr/bin/env bash
# Installs, only when missing, every Debian package the build, tests and benchmarks need.
set -euo pipefail

packages=(
  g++ clang clang-format-14 libfuzzer-14-dev cmake make pkg-config gcovr
  libgtest-dev libgmock-dev libbenchmark-dev libmeshoptimizer-dev
  libtinyxml2-dev libboost-filesystem-dev libboost-system-dev
  libblosc-dev libturbojpeg0-dev libjpeg62-turbo-dev
  liblodepng-dev libsquish-dev libastcenc-dev libstb-dev
  libyuv-dev
  # Tests only: a decimal-comma locale (de_DE), so number texts are checked against one.
  locales-all
  # Benchmarks only: the pipeline the graph is timed beside (gst-launch-1.0).
  gstreamer1.0-tools
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "Installing packages needs root or sudo; neither is at hand." >&2
    exit 1
  fi
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
# Another install (an unattended upgrade, a second build) may hold the package lock: wait for
# it, up to ten minutes, rather than fail at once.
lock_wait=(-o DPkg::Lock::Timeout=600)
$sudo apt-get "${lock_wait[@]}" update -qq
$sudo apt-get "${lock_wait[@]}" install -y -qq --no-install-recommends "${missing[@]}"
