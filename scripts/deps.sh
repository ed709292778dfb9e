#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages the project needs that are
# missing; a second run finds them all and does nothing.
#
#   deps.sh          to build and run the program
#   deps.sh test     ... and to run every test and static check
#   deps.sh package  ... and to make the Debian package
#   deps.sh pictures ... and to redraw the pictures in tools/
set -euo pipefail

packages=(
  cmake make g++              # the build
  qt6-base-dev                # Qt 6 Widgets and Qt Test, with the platform plugins
  qt6-base-private-dev libwayland-dev  # Qt's native interface, to ask a Wayland compositor
  libwayland-bin wayland-protocols     # wayland-scanner, and the protocols it reads
  libjpeg-dev                 # libjpeg-turbo, which decodes the pictures
  libseccomp-dev              # the system-call filter that confines the picture reader
  fonts-ipafont-gothic        # the window's Japanese faces, metric-compatible
  fonts-noto-cjk              # last-resort face for any other kanji
)
case "${1:-}" in
  test)
    packages+=(
      desktop-file-utils appstream  # validating the desktop entry and metainfo
      dpkg-dev file lintian         # cpack -G DEB, its dependency scan, Debian's checks
      appstream-compose             # a software centre's view of the package
      clang-tidy clang-format       # static checks
      clang libclang-rt-dev         # libFuzzer, for the distribution's clang
      xvfb xauth dbus-daemon        # an X server and a D-Bus session for the screen-reader test
      at-spi2-core python3-pyatspi  # the accessibility bus, read as screen readers read it
      orca openbox python3-xlib     # the screen reader itself, on a desktop with a window
                                    # manager, and keys pressed there by their codes
      speech-dispatcher speech-dispatcher-audio-plugins  # its speech, into libao's null driver
      weston qt6-wayland            # a Wayland compositor, and Qt's client for it
      mutter kwin-wayland kwin-style-breeze  # GNOME's and KDE's compositors, shown in Xvfb
      libglib2.0-bin                # gdbus, to set mutter's monitor scale
      imagemagick                   # screenshots of them, read back by the tests
      python3-pyfuse3 fuse3         # a FUSE folder that behaves like a troubled network share
      ibus ibus-mozc xdotool        # a Japanese input method, and keys pressed on the X server
    )
    # mutter 50 and later show their output through the development kit's
    # viewer, streamed over PipeWire: there, those come too.
    optional=(mutter-dev-bin pipewire wireplumber) ;;
  package)
    packages+=(dpkg-dev file) ;;
  pictures)
    packages+=(fonts-noto-color-emoji) ;;
  "") ;;
  *) echo "usage: deps.sh [test|package|pictures]" >&2; exit 2 ;;
esac

# The optional packages count where this release's package lists know them.
find_missing() {
  if [[ -n "${optional:-}" ]] && apt-cache show "${optional[0]}" 2>/dev/null | grep -q '^Package:'; then
    packages+=("${optional[@]}")
    optional=()
  fi
  missing=()
  for p in "${packages[@]}"; do
    if [[ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null)" != "installed" ]]; then
      missing+=("$p")
    fi
  done
}
find_missing
((${#missing[@]} == 0)) && exit 0

if [[ $(id -u) -ne 0 ]]; then
  echo "Missing Debian packages; as root, run: apt-get install --no-install-recommends ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
find_missing
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
