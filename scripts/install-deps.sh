#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test Tav Tools.
# Only calls apt-get when something is missing, so a warm machine is quick.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-translations-l10n libgl-dev
  zlib1g-dev libdeflate-dev libicu-dev libjpeg-dev libgif-dev libwmf-dev fonts-urw-base35 libemf2svg-dev libxcb1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth bc pigz time tzdata python3-pil imagemagick acl
  dpkg-dev desktop-file-utils appstream
  libglib2.0-dev fuse3 sshfs openssh-server openssh-client gvfs gvfs-backends gvfs-fuse dbus-bin avahi-utils
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

echo "Installation de : ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
