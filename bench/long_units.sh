#!/usr/bin/env bash
# Times the default search with long units: -U 10, 20, 50, 100, 200 and 500
# on one thread, on the bacterial genome and the fly set (or a prefix of
# them), next to TRF with periods up to 500 on the same input in the same run.
# Prints wall time, Mbp/s, peak bytes per nucleotide, the time per unit length
# searched and the ratio to TRF.
#
#   bench/long_units.sh [build-folder]      (default: build)
#
# Environment:
#   INPUTS    out of "kleb fly" (default: both)
#   PREFIX    nucleotides of each input to keep, e.g. 1000000 (default: all);
#             the prefix is the first records up to that many nucleotides
#   UNITS     the -U values (default: "10 20 50 100 200 500")
#   TIMEOUT   seconds after which a run is stopped and marked unfinished
#             (default 600); a binary that ran out of time is not run again
#             on that input with a larger -U
#   BASELINE  a second sarvik binary (or its build folder), timed the same way
#   TRF       0 skips TRF (default 1)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)

source "$here/find_sarvik.sh"

sarvik=$(find_sarvik "${1:-build}")
baseline=
[[ -n ${BASELINE:-} ]] && baseline=$(find_sarvik "$BASELINE")
read -r -a inputs <<< "${INPUTS-kleb fly}"
read -r -a units <<< "${UNITS-10 20 50 100 200 500}"
timeout_s=${TIMEOUT:-600}
with_trf=${TRF:-1}
command -v /usr/bin/time >/dev/null || { echo "long_units.sh: needs /usr/bin/time" >&2; exit 1; }
if [[ $with_trf == 1 ]] && ! command -v trf >/dev/null; then
  echo "long_units.sh: 'trf' is missing; install the Debian package 'trf' (or TRF=0)" >&2
  exit 1
fi

# shellcheck source=fetch_inputs.sh
source "$here/fetch_inputs.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

declare -A path bp
for input in "${inputs[@]}"; do
  full=$(fetch_input "$here/.cache" "$input")
  if [[ -n ${PREFIX:-} ]]; then
    # Whole lines up to PREFIX nucleotides, so that the prefix is a valid file.
    awk -v max="$PREFIX" '/^>/ { if (n >= max) exit; print; next } { if (n >= max) exit; n += length($0); print }' \
      "$full" > "$work/$input.fa"
    path[$input]=$work/$input.fa
  else
    path[$input]=$full
  fi
  bp[$input]=$(grep -v '^>' "${path[$input]}" | tr -d ' \t\r\n' | wc -c)
done

# run NAME DIR CMD...: one timed run; prints "wall peak_kb" or "- -" when it
# ran out of time.
run() {
  local dir=$1; shift
  mkdir -p "$dir"
  local rc=0
  (cd "$dir" && timeout "$timeout_s" /usr/bin/time -v -o time.txt "$@" >stdout.txt 2>stderr.txt) || rc=$?
  if [[ $rc == 124 || $rc == 137 ]]; then echo "- -"; return; fi
  awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i] }
              /Maximum resident set size/ { kb = $2 } END { print s, kb }' "$dir/time.txt"
}

echo "sarvik:   $sarvik"
[[ -n $baseline ]] && echo "baseline: $baseline"
[[ $with_trf == 1 ]] && echo "trf:      $(command -v trf) ($(dpkg-query -W -f '${Version}' trf 2>/dev/null || echo '?'))"
echo "commands: sarvik -t 1 -U N FILE out.txt | trf FILE 2 7 7 80 10 50 500 -h -ngs; runs stopped after ${timeout_s} s show '-'"
echo "s/unit: wall time divided by the number of unit lengths searched (N)"
echo
printf '%-8s %-5s %7s %5s %8s %7s %6s %8s %6s\n' tool input Mbp "-U" "wall s" "Mbp/s" "B/nt" "s/unit" "x trf"
status=0
for input in "${inputs[@]}"; do
  fa=${path[$input]}
  trf_wall=
  if [[ $with_trf == 1 ]]; then
    read -r trf_wall trf_kb <<< "$(run "$work/trf.$input" trf "$fa" 2 7 7 80 10 50 500 -h -ngs)"
    awk -v i="$input" -v bp="${bp[$input]}" -v w="$trf_wall" -v kb="$trf_kb" 'BEGIN {
      printf "%-8s %-5s %7.2f %5s %8.2f %7.2f %6.2f %8s %6s\n", "trf", i, bp / 1e6, "p500", w, (w > 0 ? bp / w / 1e6 : 0), kb * 1024 / bp, "-", "1.00" }'
  fi
  declare -A out_of_time=()
  for U in "${units[@]}"; do
    for tool in sarvik baseline; do
      [[ $tool == baseline && -z $baseline ]] && continue
      bin=$sarvik; [[ $tool == baseline ]] && bin=$baseline
      dir=$work/$tool.$input.$U
      if [[ -n ${out_of_time[$tool]:-} ]]; then
        wall=- kb=-
      else
        read -r wall kb <<< "$(run "$dir" "$bin" -t 1 -U "$U" "$fa" out.txt)"
        [[ $wall == - ]] && out_of_time[$tool]=1
      fi
      awk -v t="$tool" -v i="$input" -v bp="${bp[$input]}" -v U="$U" -v w="$wall" -v kb="$kb" -v tw="${trf_wall:-}" 'BEGIN {
        if (w == "-") { printf "%-8s %-5s %7.2f %5d %8s %7s %6s %8s %6s\n", t, i, bp / 1e6, U, "-", "-", "-", "-", "-"; exit }
        printf "%-8s %-5s %7.2f %5d %8.2f %7.2f %6.2f %8.4f %6s\n", t, i, bp / 1e6, U, w, (w > 0 ? bp / w / 1e6 : 0),
               kb * 1024 / bp, w / U, (tw != "" && tw > 0 ? sprintf("%.2f", w / tw) : "-") }'
    done
    # Only runs that finished are compared (a stopped run leaves part of its output).
    if [[ -n $baseline && -s $work/sarvik.$input.$U/time.txt && -s $work/baseline.$input.$U/time.txt &&
          -z ${out_of_time[sarvik]:-} && -z ${out_of_time[baseline]:-} ]]; then
      if ! cmp -s "$work/sarvik.$input.$U/out.txt" "$work/baseline.$input.$U/out.txt"; then
        echo "long_units.sh: output of the two binaries differs on $input with -U $U" >&2
        status=1
      fi
    fi
  done
done
exit $status
