#!/usr/bin/env bash
# Large-input benchmark (not a test): one record far longer than the
# 10,000,000 nucleotides the reader reserves, and a file of many short
# records, both searched with the default options. Checks that each run ends
# correctly and reports time, peak memory and bytes per nucleotide.
#
#   bench/large_input.sh BUILD_DIR
#
# Environment: LARGE_NT (default 300000000) length of the long record;
# SHORT_RECORDS (100000) number of short records (100 to 900 nt each);
# SARVIK_ARGS extra options for both runs (e.g. "-M exact" for a quick run);
# BENCH_DIR work folder (default BUILD_DIR/bench-large; its files are large).
set -euo pipefail

build=${1:?usage: bench/large_input.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
sarvik=$build/sarvik
[ -x "$sarvik" ] || { echo "no sarvik binary in $build (run make build first)" >&2; exit 2; }
large_nt=${LARGE_NT:-300000000}
short_records=${SHORT_RECORDS:-100000}
read -r -a extra <<< "${SARVIK_ARGS:-}"
work=${BENCH_DIR:-$build/bench-large}
mkdir -p "$work"

gen=$work/make_fasta
if [ ! -x "$gen" ] || [ "$here/make_fasta.cpp" -nt "$gen" ]; then
  c++ -O2 -o "$gen" "$here/make_fasta.cpp"
fi

# Generated once per size; the same seed always gives the same bytes.
long_fa=$work/long_$large_nt.fa
short_fa=$work/short_$short_records.fa
[ -s "$long_fa" ] || "$gen" 1 1 "$large_nt" "$large_nt" > "$long_fa"
[ -s "$short_fa" ] || "$gen" 2 "$short_records" 100 900 > "$short_fa"

status=0

# run NAME FASTA RECORDS NUCLEOTIDES LONGEST
run() {
  local name=$1 fa=$2 records=$3 nt=$4 longest=$5
  local out=$work/$name.out log=$work/$name.time
  echo "== $name: $records record(s), $nt nt, $(du -h "$fa" | cut -f1) on disk"
  local rc=0
  /usr/bin/time -v "$sarvik" "${extra[@]}" "$fa" "$out" 2> "$log" > /dev/null || rc=$?

  local wall rss blocks repeats ends
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$log")
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$log")
  blocks=$(grep -c '^# Analysis of sequence ' "$out" || true)
  repeats=$(grep -c ' pt | ' "$out" || true)
  ends=$(tail -1 "$out")

  local ok=1
  [ "$rc" = 0 ] || { echo "   exit status $rc"; ok=0; }
  grep -q 'Analysis finished successfully' "$log" || { echo "   no success message on stderr"; ok=0; }
  [ "$ends" = "## Finished successfully. ##" ] || { echo "   end marker missing (last line: $ends)"; ok=0; }
  [ "$blocks" = "$records" ] || { echo "   $blocks result blocks, expected $records"; ok=0; }
  # Generated sequence holds about 1,600 repeats per Mbp that pass the default
  # thresholds; far fewer means records or repeats got lost.
  local per_mbp=$((repeats * 1000000 / nt))
  [ "$per_mbp" -ge 800 ] || { echo "   only $per_mbp repeats per Mbp"; ok=0; }

  echo "   wall time $wall, peak RSS $rss kB, $repeats repeats ($per_mbp per Mbp)"
  awk -v kb="$rss" -v n="$longest" -v wall="$wall" -v nt="$nt" 'BEGIN {
    n_s = split(wall, t, ":"); s = 0; for (i = 1; i <= n_s; i++) s = s * 60 + t[i];
    if (n >= 1000000) printf "   %.2f bytes of peak memory per nucleotide of the longest record (%d nt)\n", kb * 1024 / n, n;
    if (s > 0) printf "   throughput %.3f Mbp/s\n", nt / s / 1e6 }'
  if [ $ok = 1 ]; then echo "   OK"; else echo "   FAILED"; status=1; fi
}

run long "$long_fa" 1 "$large_nt" "$large_nt"
short_nt=$(grep -v '^>' "$short_fa" | tr -d '\n' | wc -c)
short_longest=$(awk '/^>/ { if (n > m) m = n; n = 0; next } { n += length($0) } END { if (n > m) m = n; print m }' "$short_fa")
run short "$short_fa" "$short_records" "$short_nt" "$short_longest"
exit $status
