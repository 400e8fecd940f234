#!/usr/bin/env bash
# Speed-up with threads: each input of bench/run.sh in each search mode with
# -t 1 and -t 2, checked byte for byte, with wall and CPU times and peak
# memory; then an estimate for 16 and 64 threads from the -t 2 run's own
# figures (printed on stderr when SARVIK_SCAN_STATS is set), all in CPU time
# so that other jobs on the machine do not distort them:
#   W  the CPU time of the whole -t 2 run (user + sys),
#   A  the part that runs alone: the reconcile of the split scans, and the
#      driving thread's reading and writing before the workers had anything
#      to do and after they had nothing left,
#   B  the rest of the driving thread's reading and writing, which runs
#      beside the workers (the next records are read while others are
#      searched),
#   T(p) = A + max(B, (W - A - B) / p),  estimate = W / T(p).
# It leaves out the imbalance of the chunks (the slowest chunk of each scan is
# printed beside it) and the contention for memory bandwidth.
# `2 runs`: what the machine itself gives at that moment, 2 x t1 / the wall
# time of two -t 1 runs side by side; on a virtual machine whose host is busy
# it can be well below 2, and -t 2 cannot beat it.
#
#   bench/threads.sh [build-folder]     (default: build; inputs as in run.sh)
#   THREADS_INPUTS, THREADS_MODES: a subset of the inputs (file names) and modes.
#   REPEAT=N: each of the three measurements N times in turns (default 1); the
#   wall times are the fastest of the N, the CPU times and memories the last.
#
# Not a test. On a machine shared with other jobs the wall times are noisy.
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

# Wall times to the millisecond (the fast modes take some 30 ms).
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'; }
fastest() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
cpu() { awk -F': ' '/User time|System time/ { s += $2 } END { printf "%.2f", s }' "$1"; }
peak_mb() { awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$1"; }

printf '%-22s %-12s %7s %7s %6s %7s %7s %7s %7s %7s %8s %6s %6s %5s\n' input mode "t1 s" "t2 s" ratio "2 runs" "t1 cpu" "t2 cpu" \
  "t1 MB" "t2 MB" "alone s" est16 est64 same
read -r -a inputs <<< "${THREADS_INPUTS:-Klebs_HS11286.fna dm3_upstream2000.fa}"
read -r -a modes <<< "${THREADS_MODES:-imperfect extendExact exact}"
for input in "${inputs[@]/#/$cache/}"; do
  for mode in "${modes[@]}"; do
    wall1= wall2= pair=
    for ((r = 0; r < ${REPEAT:-1}; ++r)); do
      for t in 1 2; do
        start=$(now)
        SARVIK_SCAN_STATS=1 /usr/bin/time -v -o "$work/time$t" "$sarvik" -t $t -M $mode "$input" "$work/out$t" \
          2> "$work/err$t"
        printf -v "wall$t" '%s' "$(fastest "$(eval echo "\$wall$t")" "$(since "$start")")"
      done
      start=$(now)
      "$sarvik" -t 1 -M $mode "$input" "$work/pair1" 2> /dev/null &
      "$sarvik" -t 1 -M $mode "$input" "$work/pair2" 2> /dev/null
      wait
      pair=$(fastest "$pair" "$(since "$start")")
    done
    same=yes
    cmp -s <(grep -v '^# Output file name' "$work/out1") <(grep -v '^# Output file name' "$work/out2") || same=NO
    stats=$(grep '^Split scans' "$work/err2" || true)
    reconcile=$(sed -n 's/.*reconcile \([0-9.]*\) s.*/\1/p' <<< "$stats")
    driver=$(sed -n 's/.*reading and writing \([0-9.]*\) s.*/\1/p' <<< "$stats")
    alone=$(sed -n 's/.*of it alone \([0-9.]*\) s.*/\1/p' <<< "$stats")
    awk -v name="$(basename "$input")" -v mode=$mode -v t1="$wall1" -v t2="$wall2" \
        -v c1="$(cpu "$work/time1")" -v c2="$(cpu "$work/time2")" -v m1="$(peak_mb "$work/time1")" \
        -v m2="$(peak_mb "$work/time2")" -v a="$(awk -v r="${reconcile:-0}" -v d="${alone:-0}" 'BEGIN { print r + d }')" \
        -v b="$(awk -v d="${driver:-0}" -v l="${alone:-0}" 'BEGIN { print d - l }')" \
        -v same=$same -v pair="$pair" 'BEGIN {
      par = c2 - a - b; t16 = par / 16; t64 = par / 64
      e16 = c2 / (a + (b > t16 ? b : t16)); e64 = c2 / (a + (b > t64 ? b : t64))
      printf "%-22s %-12s %7.3f %7.3f %6.2f %7.2f %7.2f %7.2f %7.1f %7.1f %8.3f %6.1f %6.1f %5s\n", name, mode, t1, t2,
             (t2 > 0 ? t1 / t2 : 0), (pair > 0 ? 2 * t1 / pair : 0), c1, c2, m1, m2, a, e16, e64, same }'
    grep '^Split scans' "$work/err2" | sed 's/^/    /' || true
  done
done
