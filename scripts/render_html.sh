#!/usr/bin/env bash
# Renders an HTML page to PNG with headless Chromium, as a reader would see
# it in a window of the given size (one CSS pixel per image pixel).
#
#   scripts/render_html.sh PAGE.html OUT.png WIDTH HEIGHT
set -euo pipefail
page=${1:?usage: render_html.sh PAGE.html OUT.png WIDTH HEIGHT}
out=${2:?} width=${3:?} height=${4:?}
command -v chromium > /dev/null || { echo "render_html: chromium is missing; run scripts/install-deps.sh" >&2; exit 1; }
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
rm -f "$out"
# No sandbox: the tests run as root. Nothing may reach the network.
timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync --hide-scrollbars \
  --force-device-scale-factor=1 --user-data-dir="$profile" --window-size="$width,$height" \
  --screenshot="$out" "file://$(realpath "$page")" > "$profile/log" 2>&1 || {
  tail -5 "$profile/log" >&2
  exit 1
}
[ -s "$out" ] || { echo "render_html: no picture written" >&2; tail -5 "$profile/log" >&2; exit 1; }
