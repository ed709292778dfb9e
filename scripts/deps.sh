#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages the project needs that are
# missing. A second run finds them all and does nothing.
set -euo pipefail

packages=(
  cmake make g++              # the build
  qt6-base-dev                # Qt 6 Widgets and Qt Test (with the platform plugins)
  fonts-ipafont-gothic        # the window's Japanese faces, metric-compatible
  fonts-noto-cjk              # last-resort face for any other kanji
  desktop-file-utils appstream # validation of the desktop entry and metainfo
  dpkg-dev file               # cpack -G DEB
  xauth xvfb                  # a virtual X server for headless start-up checks
  fonts-noto-color-emoji      # the animals, for the picture generator in tools/
)

missing=()
for p in "${packages[@]}"; do
  if [[ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null)" != "installed" ]]; then
    missing+=("$p")
  fi
done
((${#missing[@]} == 0)) && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
