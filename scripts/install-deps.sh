#!/usr/bin/env bash
# Installs the Debian packages Sarvik builds and tests with. Quiet and quick
# when everything is present; needs root (or sudo) only when something is missing.
set -euo pipefail

# clang and libclang-rt-14-dev build the fuzz harnesses (their smoke run is
# part of the tests); valgrind serves make test-valgrind.
packages=(cmake g++ make libtclap-dev libfltk1.1-dev zlib1g-dev libgtest-dev xvfb xauth xdotool
          clang libclang-rt-14-dev valgrind)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
