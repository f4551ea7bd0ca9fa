#!/usr/bin/env bash
# Installs the Debian packages the project builds, runs and tests with.
set -euo pipefail
PKGS=(
  cmake g++ make ccache pkg-config
  qtbase5-dev qtwebengine5-dev libqt5serialport5-dev qtmultimedia5-dev
  libqt5multimedia5-plugins libqt5svg5-dev qt5-image-formats-plugins
  libexiv2-dev libquazip1-qt5-dev libgomp1 libbenchmark-dev libjpeg-dev
  exiv2 libimage-exiftool-perl libxml2-utils gpsbabel socat unzip zip
  xvfb xauth imagemagick fonts-dejavu-core python3
  clang libclang-rt-14-dev
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
