#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any of them is missing.
# Safe to run again: it does nothing when everything is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libcli11-dev
  qt6-base-dev qt6-base-dev-tools libqcustomplot-dev libshp-dev libgl-dev
  xvfb xauth ccache python3
  poppler-utils
  help2man librsvg2-bin dpkg-dev file fakeroot lintian desktop-file-utils appstream shared-mime-info
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
else
  SUDO=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
