#!/usr/bin/env bash
# Runs sarvik on the bundled example and says where the results went.
set -euo pipefail
build=${1:-build}
input=examples/dm3_upstream_40.fa
outdir="$build/demo"
mkdir -p "$outdir"
out="$outdir/dm3_upstream_40.sarvik.txt"

"$build/sarvik" "$input" "$out" 2> "$outdir/sarvik.log"

records=$(grep -c '^>' "$input")
repeats=$(grep -cE '^ *[a-z0-9-]+nucleotide ' "$out" || true)
echo "Sarvik analysed $records sequences of $input and found $repeats tandem repeats."
echo "Results:  $out"
echo "Progress: $outdir/sarvik.log"
echo
echo "First repeats found:"
grep -m 5 -E '^ *[a-z0-9-]+nucleotide ' "$out" || true
