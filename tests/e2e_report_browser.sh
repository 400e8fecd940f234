#!/usr/bin/env bash
# The report as a reader sees it: rendered by headless Chromium, every chart
# stands where the page puts it and has data drawn in it; a run without
# repeats leaves the same places without data, so the check can tell.
set -u
sarvik=$(realpath "$1")
tests=$(realpath "$2")
root=$(cd "$tests/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

# The chart boxes of the page (core/output/run_report_html.cpp), without the title
# strip: left, top, width, height.
regions=(repeats:20,150,470,270 covered:510,150,470,270 lengths:20,470,470,270
         perfection:510,470,470,270 units:20,790,470,430 density:510,790,470,430)

coloured() {  # page -> "name count" lines
  "$root/scripts/render_html.sh" "$1" page.png 1000 1240 || return 1
  python3 "$tests/png_regions.py" page.png "${regions[@]}"
}

"$sarvik" --report report.html "$root/examples/dm3_upstream_40.fa" out.txt 2> /dev/null
"$sarvik" -l 100000 --report empty.html "$root/examples/dm3_upstream_40.fa" out.txt 2> /dev/null
full=$(coloured report.html) || { echo "FAIL rendering the report"; exit 1; }
empty=$(coloured empty.html) || { echo "FAIL rendering the empty report"; exit 1; }

pass=0 fail=0
while read -r name count; do
  if [ "$count" -ge 200 ]; then pass=$((pass + 1)); else fail=$((fail + 1)); echo "FAIL chart $name: $count coloured pixels"; fi
done <<< "$full"
while read -r name count; do
  if [ "$count" = 0 ]; then pass=$((pass + 1)); else fail=$((fail + 1)); echo "FAIL empty chart $name: $count coloured pixels"; fi
done <<< "$empty"
[ "$(wc -l <<< "$full")" = 6 ] || { fail=$((fail + 1)); echo "FAIL not every chart measured"; }

echo "e2e report in the browser: $pass passed, $fail failed"
[ $fail = 0 ]
