#!/usr/bin/env bash
# Installs the Debian packages Strands needs, skipping those already present.
# Works as root, or through sudo.
#   scripts/setup.sh [run]   building and running the program
#   scripts/setup.sh test    ... and building and running the tests and benchmarks
#   scripts/setup.sh package ... and making the Debian package
# Packages are installed without their recommended packages: what is listed
# here is all that is needed, on a bare Debian 12 as anywhere.
set -euo pipefail

run_packages=(
  build-essential cmake
  libfltk1.3-dev libglew-dev libgl1-mesa-dev libglu1-mesa-dev libpng-dev
  nlohmann-json3-dev libxxhash-dev
  libgl1-mesa-dri  # Mesa's drivers, the software renderer among them
)
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils imagemagick desktop-file-utils
  libopenmpi-dev openmpi-bin  # strands-apply (--apply across MPI processes) and its mpirun tests
)
package_packages=(
  file  # the Debian package generator finds the binaries with it
)

case "${1:-run}" in
  run) wanted=("${run_packages[@]}") ;;
  test) wanted=("${run_packages[@]}" "${test_packages[@]}") ;;
  package) wanted=("${run_packages[@]}" "${package_packages[@]}") ;;
  *) echo "usage: $0 [run|test|package]" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
((${#missing[@]} > 0)) || exit 0

echo "Installing: ${missing[*]}"
if [[ $(id -u) -eq 0 ]]; then
  sudo=()
elif command -v sudo >/dev/null; then
  sudo=(sudo)
else
  echo "Installing ${missing[*]} needs root: run this as root or install sudo" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
