#!/usr/bin/env bash
# Installs every Debian package Pelmo needs to build, test and benchmark.
# Idempotent: runs apt-get only for packages that are missing.
set -euo pipefail

PACKAGES=(
  g++ clang cmake ninja-build pkg-config
  libzip-dev zlib1g-dev libcurl4-openssl-dev libsndfile1-dev
  qt6-base-dev qt6-svg-dev qt6-multimedia-dev libqcustomplot-dev libqcustomplot2.1-qt6
  libgl-dev fonts-liberation libuemf-dev
  libgtest-dev libgmock-dev ngspice python3 poppler-utils emf2svg
  libbenchmark-dev libfftw3-dev libnlopt-dev
  appstream desktop-file-utils shared-mime-info xdg-utils libfile-mimeinfo-perl libglib2.0-bin
  dpkg-dev file
)

missing=()
for p in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  if [ "$status" != 'install ok installed' ]; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
