#!/usr/bin/env bash
# Installs what building and testing Raumfuchs needs on a Debian machine, only
# when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  libgtest-dev libgmock-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-translations-l10n qt6-qpa-plugins
  libgl1-mesa-dev libxkbcommon-x11-0 fonts-dejavu-core
  adwaita-icon-theme dbus dbus-x11 xvfb x11-utils imagemagick time
  libblkid-dev e2fsprogs mount trash-cli
  desktop-file-utils appstream lintian dpkg-dev file man-db
  at-spi2-core python3-pyatspi
  libzstd-dev zstd ncdu gdu clang libclang-rt-14-dev ccache python3
  shared-mime-info
  openssh-server openssh-client pkexec polkitd util-linux
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
