#!/usr/bin/env bash
# Renders the main window of sarvik_gui, as a user sees it on first start
# with the demo input chosen, to docs/sarvik_gui.png or the file named.
#
#   scripts/screenshot.sh BUILD_DIR [OUT.png]
#
# Needs xvfb-run (scripts/install-deps.sh installs it); the picture is taken
# by the build's own sarvik_gui_screenshot, so no image tools are needed.
set -euo pipefail
build=${1:?usage: scripts/screenshot.sh BUILD_DIR [OUT.png]}
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${2:-$root/docs/sarvik_gui.png}")
tool="$build/gui/sarvik_gui_screenshot"
[ -x "$tool" ] || { echo "screenshot: $tool not found; build first (make build)" >&2; exit 1; }
command -v xvfb-run > /dev/null || { echo "screenshot: xvfb-run is missing; run scripts/install-deps.sh" >&2; exit 1; }

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
# A user's preference file with the demo input, so the file fields are not empty.
mkdir -p "$home/.fltk/sarvik"
cat > "$home/.fltk/sarvik/sarvik.prefs" << 'EOF'
; FLTK preferences file format 1.0
; vendor: sarvik
; application: sarvik

[.]

[./Input Output files]
Input file:examples/dm3_upstream_40.fa
Output file:examples/dm3_upstream_40.sarvik
EOF

mkdir -p "$(dirname "$out")"
# Sanitizer builds: the font libraries' own allocations are not our leaks.
(cd "$root" && HOME="$home" LSAN_OPTIONS="suppressions=$root/tests/gui/lsan.supp:print_suppressions=0" \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$tool" "$out")
echo "wrote $out"
