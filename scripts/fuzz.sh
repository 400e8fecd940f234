#!/usr/bin/env bash
# Builds the libFuzzer harnesses of tests/fuzz with clang and runs each one
# for SECONDS (default 600), then prints executions and executions per second.
#
#   scripts/fuzz.sh [SECONDS]
#
# Each harness starts from its seeds in tests/fuzz/corpus/<harness>/ (read
# only) and grows its own corpus in tests/fuzz/grown/<harness>/ (not in git).
# An input that crashes or breaks a check is saved as
# tests/fuzz/crashes/<harness>-crash-...; rerun it with
#   build-fuzz/<harness> tests/fuzz/crashes/<file>
#
# Environment: FUZZ_BUILD build folder (build-fuzz), FUZZ_HARNESSES the
# harnesses to run, FUZZ_CORPUS_DIR and FUZZ_ARTIFACTS instead of grown/ and
# crashes/, FUZZ_TIMEOUT seconds one input may take (60), JOBS build jobs.
set -euo pipefail

seconds=${1:-600}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD:-$root/build-fuzz}
corpus_root=${FUZZ_CORPUS_DIR:-$root/tests/fuzz/grown}
artifacts=${FUZZ_ARTIFACTS:-$root/tests/fuzz/crashes}
read -r -a harnesses <<< "${FUZZ_HARNESSES:-fuzz_fasta fuzz_pipeline fuzz_options fuzz_equivalence fuzz_threads}"

cxx=${FUZZ_CXX:-clang++}
command -v "$cxx" > /dev/null || { echo "fuzz.sh: $cxx not found (install clang and libclang-rt-14-dev)" >&2; exit 2; }
cmake -S "$root/tests/fuzz" -B "$build" -DCMAKE_CXX_COMPILER="$cxx" > /dev/null
cmake --build "$build" -j "${JOBS:-$(nproc)}" > "$build/build.log" 2>&1 || {
  tail -30 "$build/build.log" >&2
  exit 2
}
mkdir -p "$artifacts"

# fuzz_equivalence reads raw bytes: no dictionary helps it.
declare -A dicts=([fuzz_fasta]=fasta.dict [fuzz_pipeline]=fasta.dict [fuzz_options]=options.dict [fuzz_threads]=fasta.dict)
failed=0
summary=()
for h in "${harnesses[@]}"; do
  corpus=$corpus_root/$h
  mkdir -p "$corpus"
  log=$build/$h.log
  echo "== $h: ${seconds} s"
  rc=0
  dict=()
  [ -n "${dicts[$h]:-}" ] && dict=(-dict="$root/tests/fuzz/${dicts[$h]}")
  "$build/$h" -max_total_time="$seconds" -timeout="${FUZZ_TIMEOUT:-60}" -rss_limit_mb=2048 -print_final_stats=1 \
    "${dict[@]}" -artifact_prefix="$artifacts/$h-" \
    "$corpus" "$root/tests/fuzz/corpus/$h" > "$log" 2>&1 || rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  size=$(ls "$corpus" | wc -l)
  if [ "$rc" = 0 ]; then
    result=ok
  else
    result="FAILED (status $rc)"
    failed=1
    grep -aE 'ERROR:|FUZZ_REQUIRE|runtime error|^  |Test unit written' "$log" | head -20 | sed 's/^/   /'
  fi
  summary+=("$(printf '%-14s %8s s %12s execs %8s exec/s %6s corpus  %s' "$h" "$seconds" "${execs:-?}" "${rate:-?}" "$size" "$result")")
done

echo
printf '%s\n' "${summary[@]}"
exit $failed
