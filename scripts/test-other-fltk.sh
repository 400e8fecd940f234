#!/usr/bin/env bash
# Runs the GUI tests again, against the FLTK version that BUILD_DIR was not
# built with. The -dev packages of 1.1 and 1.3 exclude each other, so the
# system's stay as they are: the other version's packages are fetched and
# unpacked under BUILD_DIR, and a second build of only the GUI programs and
# their tests (BUILD_DIR/gui-fltkX.Y) is linked against them.
#
#   scripts/test-other-fltk.sh BUILD_DIR [JOBS]
#
# Skipped, with a note, when BUILD_DIR has no sarvik_gui or when the archive
# does not offer the other version.
set -euo pipefail
build=$(cd "${1:?usage: scripts/test-other-fltk.sh BUILD_DIR [JOBS]}" && pwd)
jobs=${2:-2}
root=$(cd "$(dirname "$0")/.." && pwd)

found=$(sed -n 's/^SARVIK_FLTK_FOUND_VERSION:INTERNAL=//p' "$build/CMakeCache.txt" 2> /dev/null || true)
[ -n "$found" ] || { echo "other FLTK: skipped, $build has no sarvik_gui"; exit 0; }
if [ "$found" = 1.1 ]; then other=1.3; else other=1.1; fi
packages=("libfltk$other-dev" "libfltk$other")
tree=$build/fltk$other
unpacked=$tree/root

if [ ! -f "$unpacked/usr/include/FL/Fl.H" ]; then
  offered() { apt-cache show --no-all-versions "${packages[0]}" > /dev/null 2>&1; }
  # Lists emptied (as in many images): fetch them once before deciding.
  if ! offered && ! compgen -G '/var/lib/apt/lists/*Packages*' > /dev/null; then
    $([ "$(id -u)" -ne 0 ] && echo sudo) apt-get update -qq
  fi
  offered || { echo "other FLTK: skipped, the archive offers no ${packages[0]}"; exit 0; }
  rm -rf "$tree"
  mkdir -p "$tree/debs"
  (cd "$tree/debs" && apt-get download -q "${packages[@]}") > "$tree/download.log" 2>&1 ||
    { cat "$tree/download.log" >&2; echo "other FLTK: cannot fetch ${packages[*]}" >&2; exit 1; }
  for deb in "$tree"/debs/*.deb; do dpkg-deb -x "$deb" "$unpacked.part"; done
  mv "$unpacked.part" "$unpacked"
fi

# What the unpacked library loads comes from the system.
runtime_deb=$(echo "$tree"/debs/libfltk"${other}"_*.deb)
# shellcheck disable=SC2046  # one word per package name
"$root/scripts/install-deps.sh" $(dpkg-deb -f "$runtime_deb" Depends |
  tr ',' '\n' | sed -e 's/|.*//' -e 's/(.*)//' -e 's/:.*//' -e 's/[[:space:]]//g')

echo "GUI tests against FLTK $other (unpacked in $unpacked)"
other_build=$build/gui-fltk$other
cmake -S "$root" -B "$other_build" -DCMAKE_BUILD_TYPE=Release -DSARVIK_FLTK="$other" \
  -DSARVIK_FLTK_ROOT="$unpacked" > /dev/null
cmake --build "$other_build" -j "$jobs" --target gui_test_programs
cd "$other_build" && ctest --output-on-failure -j "$jobs" -R '^(gui\.|e2e_gui$)'
