#!/usr/bin/env bash
# Times sarvik's default search (imperfect repeats, unit lengths 1 to 10) on
# two public inputs taken from Debian packages: a bacterial genome and a set of
# fly upstream regions. Prints wall time, throughput and peak memory per input.
#
#   bench/run.sh [build-folder]      (default: build)
#
# Not a test: nothing is compared, and the figures depend on the machine.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
if [[ -x "$build/sarvik" ]]; then
  sarvik=$(cd "$build" && pwd)/sarvik
elif [[ -x "$here/../$build/sarvik" ]]; then
  sarvik=$(cd "$here/../$build" && pwd)/sarvik
else
  echo "run.sh: no sarvik binary in '$build' (build it first, e.g. cmake --build $build --target sarvik)" >&2
  exit 1
fi

if [[ ! -x /usr/bin/time ]]; then
  if [[ $(id -u) -eq 0 ]]; then
    apt-get install -y time >/dev/null
  else
    echo "run.sh: /usr/bin/time is missing; install the Debian package 'time'" >&2
    exit 1
  fi
fi

cache=$here/.cache
mkdir -p "$cache"

# The packages are only downloaded, never installed.
fetch_deb() {
  local pkg=$1
  if ! ls "$cache"/"${pkg}"_*.deb >/dev/null 2>&1; then
    (cd "$cache" && apt-get download "$pkg" >/dev/null 2>&1) || {
      echo "run.sh: apt-get download $pkg failed (try apt-get update first)" >&2
      exit 1
    }
  fi
  ls "$cache"/"${pkg}"_*.deb | head -n 1
}

# extract <deb> <path inside> <decompressor> <target>
extract() {
  local deb=$1 member=$2 unpack=$3 target=$4
  [[ -s "$target" ]] && return 0
  dpkg-deb --fsys-tarfile "$deb" | tar -xO "$member" | $unpack > "$target.part"
  mv "$target.part" "$target"
}

kleb_deb=$(fetch_deb kleborate-examples)
bios_deb=$(fetch_deb r-bioc-biostrings)
extract "$kleb_deb" ./usr/share/doc/kleborate/examples/data/Klebs_HS11286.fna.xz "xz -dc" "$cache/Klebs_HS11286.fna"
extract "$bios_deb" ./usr/lib/R/site-library/Biostrings/extdata/dm3_upstream2000.fa.gz "gzip -dc" \
  "$cache/dm3_upstream2000.fa"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '%s\n' "sarvik: $sarvik (default options)"
printf '%-24s %9s %12s %10s %8s %10s\n' input records bp "wall s" "Mbp/s" "peak MB"
for input in "$cache/Klebs_HS11286.fna" "$cache/dm3_upstream2000.fa"; do
  name=$(basename "$input")
  records=$(grep -c '^>' "$input")
  bp=$(grep -v '^>' "$input" | tr -d ' \t\r\n' | wc -c)
  if ! /usr/bin/time -v -o "$work/time.txt" "$sarvik" "$input" "$work/out.txt" 2>"$work/stderr.txt"; then
    echo "run.sh: sarvik failed on $name:" >&2
    tail -n 5 "$work/stderr.txt" >&2
    exit 1
  fi
  # "Elapsed (wall clock) time (h:mm:ss or m:ss): 1:02.34"
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {
           n = split($2, p, ":"); s = 0
           for (i = 1; i <= n; i++) s = s * 60 + p[i]
           printf "%.2f", s }' "$work/time.txt")
  peak_kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
  awk -v name="$name" -v rec="$records" -v bp="$bp" -v wall="$wall" -v kb="$peak_kb" 'BEGIN {
        rate = wall > 0 ? bp / wall / 1e6 : 0
        printf "%-24s %9d %12d %10.2f %8.3f %10.1f\n", name, rec, bp, wall, rate, kb / 1024 }'
done
