#!/usr/bin/env bash
# Installs the Debian packages a make target needs, when any is missing.
# Usage: ensure-packages.sh run|test
# As root it installs them with apt-get; otherwise it prints the exact command and stops.
set -euo pipefail

build=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-svg-dev libqt6svg6 nlohmann-json3-dev libicu-dev
       libx11-dev libxtst-dev)
runtime=(xvfb xauth fonts-noto-cjk)
testing=(libgtest-dev libgmock-dev libbenchmark-dev xdotool x11-utils x11-xkb-utils)

case "${1:-}" in
  run)  wanted=("${build[@]}" "${runtime[@]}") ;;
  test) wanted=("${build[@]}" "${runtime[@]}" "${testing[@]}") ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -ne 0 ]]; then
  echo "Tavilo needs these Debian packages. Install them with:" >&2
  echo "  sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! apt-get install -y --no-install-recommends "${missing[@]}"; then
  # A fresh machine may have no package lists yet.
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
