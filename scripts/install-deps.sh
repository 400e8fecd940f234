#!/usr/bin/env bash
# Installs the Debian packages Sarvik builds and tests with. Quiet and quick
# when everything is present; needs root (or sudo) only when something is missing.
#
# sarvik_gui builds with FLTK 1.1 or 1.3, whose -dev packages exclude each
# other: SARVIK_FLTK=1.1 or 1.3 chooses one; without it an installed one is
# kept, else 1.1 where the archive still offers it, else 1.3.
#
#   scripts/install-deps.sh [EXTRA_PACKAGE...]
set -euo pipefail

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

installed() { dpkg-query -W -f='${Status}' "$1" 2> /dev/null | grep -q 'install ok installed'; }
offered() { apt-cache show --no-all-versions "$1" > /dev/null 2>&1; }
updated=0
update_lists() { [ "$updated" = 1 ] || { $sudo apt-get update -qq; updated=1; }; }

fltk=${SARVIK_FLTK:-}
if [ -z "$fltk" ]; then
  if installed libfltk1.1-dev; then
    fltk=1.1
  elif installed libfltk1.3-dev; then
    fltk=1.3
  else
    update_lists
    if offered libfltk1.1-dev; then fltk=1.1; else fltk=1.3; fi
  fi
fi
case $fltk in
  1.1 | 1.3) ;;
  *) echo "install-deps: SARVIK_FLTK must be 1.1 or 1.3, not '$fltk'" >&2; exit 2 ;;
esac

# clang and libclang-rt-14-dev build the fuzz harnesses (their smoke run is
# part of the tests); valgrind serves make test-valgrind; the tests read the
# BED output with bedtools and index its input with samtools. chromium renders the report page in its test and
# for make screenshot; snakemake runs the workflow test; python3 runs the
# test checkers; the python3-* packages build and test the Python package.
packages=(cmake g++ make libtclap-dev "libfltk$fltk-dev" zlib1g-dev libgtest-dev xvfb xauth xdotool
          clang libclang-rt-14-dev valgrind bedtools samtools chromium snakemake python3
          python3-dev pybind11-dev python3-pybind11 python3-pytest python3-pandas python3-biopython python3-pysam
          python3-matplotlib python3-setuptools python3-pip python3-venv)

# Extra packages named on the command line: the system libraries that the
# other FLTK version's library needs (scripts/test-other-fltk.sh).
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
update_lists
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" > /dev/null
