#!/usr/bin/env bash
# Installs the Debian 12 packages that the build, the tests and the tools need,
# but only those that are missing. The one list of the project's packages.
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  libjpeg-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  proj-bin proj-data
  libgdal-dev gdal-bin
  gmt gmt-gshhg-low gmt-dcw ghostscript fonts-urw-base35  # the face of the maps and the PDFs
  poppler-utils xvfb xauth libxcb1-dev fonts-dejavu-core
  clang libclang-rt-14-dev
  time hyperfine strace
  dpkg-dev desktop-file-utils file  # file: the package's library scan (shlibdeps) runs it
  python3-dev pybind11-dev python3-pybind11 python3-numpy python3-pytest
  python3-pandas python3-dask python3-distributed
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing missing packages: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
