#!/usr/bin/env bash
# Speed-up with threads: each input of bench/run.sh in each search mode with
# -t 1 and -t 2, checked byte for byte, with wall time and peak memory; then,
# from the -t 2 run's own timings of the split scans (time in the chunks, the
# slowest chunk of each scan, the serial reconcile), an estimate for 16 and
# 64 threads:  T(p) = S + C / p,  S = T(1) - C  (everything outside the chunks,
# reconcile included, counts as serial).
#
#   bench/threads.sh [build-folder]     (default: build; inputs as in run.sh)
#
# Not a test. On a machine shared with other jobs the times are noisy.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
sarvik=$(cd "$here/.." && cd "$build" && pwd)/sarvik
[[ -x $sarvik ]] || { echo "threads.sh: no sarvik in $build" >&2; exit 1; }
# run.sh fetches and unpacks the inputs into the cache; reuse it.
cache=$here/.cache
if [[ ! -s $cache/Klebs_HS11286.fna || ! -s $cache/dm3_upstream2000.fa ]]; then
  "$here/run.sh" "$build" > /dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

seconds() {  # /usr/bin/time -v output -> wall seconds
  awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0
    for (i = 1; i <= n; i++) s = s * 60 + p[i]; printf "%.2f", s }' "$1"
}
peak_mb() { awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$1"; }

printf '%-22s %-12s %8s %8s %7s %8s %8s %9s %9s %7s %7s %6s\n' input mode "t1 s" "t2 s" ratio "t1 MB" "t2 MB" "chunks s" "serial s" "est16" "est64" same
for input in "$cache/Klebs_HS11286.fna" "$cache/dm3_upstream2000.fa"; do
  for mode in imperfect extendExact exact; do
    for t in 1 2; do
      SARVIK_SCAN_STATS=1 /usr/bin/time -v -o "$work/time$t" "$sarvik" -t $t -M $mode "$input" "$work/out$t" \
        2> "$work/err$t"
    done
    same=yes
    cmp -s <(grep -v '^# Output file name' "$work/out1") <(grep -v '^# Output file name' "$work/out2") || same=NO
    t1=$(seconds "$work/time1")
    t2=$(seconds "$work/time2")
    chunk_s=$(sed -n 's/^Split scans: .*chunk time \([0-9.]*\) s.*/\1/p' "$work/err2")
    awk -v name="$(basename "$input")" -v mode=$mode -v t1="$t1" -v t2="$t2" -v m1="$(peak_mb "$work/time1")" \
        -v m2="$(peak_mb "$work/time2")" -v c="${chunk_s:-0}" -v same=$same 'BEGIN {
      # The chunk time summed over 2 threads includes their speculation; S is what is left of T(1).
      s = t1 - c; if (s < 0) s = 0
      e16 = c > 0 ? t1 / (s + c / 16) : 0; e64 = c > 0 ? t1 / (s + c / 64) : 0
      printf "%-22s %-12s %8.2f %8.2f %7.2f %8.1f %8.1f %9.2f %9.2f %7.1f %7.1f %6s\n", name, mode, t1, t2,
             t2 > 0 ? t1 / t2 : 0, m1, m2, c, s, e16, e64, same }'
    grep '^Split scans' "$work/err2" | sed 's/^/    /' || true
  done
done
