#!/usr/bin/env bash
# Renders the report page of the bundled example, as headless Chromium shows
# it, to docs/report_example.png or the file named.
#
#   scripts/report_example.sh BUILD_DIR [OUT.png]
set -euo pipefail
build=$(realpath "${1:?usage: scripts/report_example.sh BUILD_DIR [OUT.png]}")
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${2:-$root/docs/report_example.png}")
[ -x "$build/sarvik" ] || { echo "report_example: $build/sarvik not found; build first (make build)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Run from the top folder, so the page names the input as a user would.
(cd "$root" && "$build/sarvik" --report "$work/report.html" examples/dm3_upstream_40.fa "$work/out.txt" 2> /dev/null)
mkdir -p "$(dirname "$out")"
"$root/scripts/render_html.sh" "$work/report.html" "$out" 1000 1520
echo "wrote $out"
