#!/usr/bin/env bash
# Times sarvik on generated satellite arrays (diverged tandem copies of one
# unit, between random flanks), in its three search modes, beside TRF and
# tantan on the same inputs in the same run. Prints wall time, Mbp/s, peak
# memory in bytes per nucleotide and the ratios between the tools.
#
#   bench/satellites.sh [build-folder]      (default: build)
#
# Environment:
#   CASES     rows to run, each "UNIT:DIVERGENCE%:LENGTH[:N_EVERY[:GENOME]]";
#             default: a small set that runs in a few minutes
#   MODES     sarvik modes, out of "default exact extendExact" (default: all)
#   TOOLS     other tools, out of "trf tantan" (default: both; empty for none)
#   THREADS   sarvik's -t values, one row each (default: "1 2")
#   BASELINE  a second sarvik binary (or its build folder) timed beside it;
#             its output is compared with sarvik's byte for byte
#   TIMEOUT   seconds after which a run is stopped and marked "timeout"
#             (default 120), so that a quadratic binary does not run for hours
#   FLANK     random characters on either side of an array (default 5000)
#
# Not a test, except for the output check: only the ratios measured in the
# same run mean much on a shared machine.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)

source "$here/find_sarvik.sh"

sarvik=$(find_sarvik "${1:-build}")
baseline=
[[ -n ${BASELINE:-} ]] && baseline=$(find_sarvik "$BASELINE")
default_cases="ATTCC:3:20000 ATTCC:3:40000 ATTCC:10:20000 AATAGTG:5:20000 AATAGTG:5:40000"
default_cases+=" TTAGGG:2:10000 AC:10:40000 A:5:40000 ATTCC:5:20000:2000 ATTCC:3:20000:0:1"
default_cases+=" ACGTTGCATGCAACGTTAGCAG:10:20000"
read -r -a cases <<< "${CASES-$default_cases}"
read -r -a modes <<< "${MODES-default exact extendExact}"
read -r -a others <<< "${TOOLS-trf tantan}"
read -r -a threads <<< "${THREADS-1 2}"
timeout_s=${TIMEOUT:-120}
flank=${FLANK:-5000}

for tool in /usr/bin/time timeout "${others[@]}"; do
  command -v "$tool" >/dev/null || { echo "satellites.sh: '$tool' is missing (Debian package of that name)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
gen=$work/make_satellite
c++ -O2 -o "$gen" "$here/make_satellite.cpp"

wall_of() {
  awk -F': ' '/Elapsed \(wall clock\)/ {
    n = split($2, p, ":"); s = 0
    for (i = 1; i <= n; i++) s = s * 60 + p[i]
    print s }' "$1"
}
peak_kb_of() { awk -F': ' '/Maximum resident set size/ { print $2 }' "$1"; }

# run DIR CMD...: one timed run in DIR; prints "wall kb" or "timeout".
run() {
  local dir=$1 rc=0; shift
  mkdir -p "$dir"
  (cd "$dir" && timeout "$timeout_s" /usr/bin/time -v -o time.txt "$@" >stdout.txt 2>stderr.txt) || rc=$?
  # Debian's trf exits with 253 after a complete run with -ngs.
  if (( rc == 124 )); then echo timeout; return; fi
  if (( rc != 0 && rc != 253 )); then echo "failed($rc)"; return; fi
  echo "$(wall_of "$dir/time.txt") $(peak_kb_of "$dir/time.txt")"
}

echo "sarvik:   $sarvik"
[[ -n $baseline ]] && echo "baseline: $baseline"
for tool in "${others[@]}"; do echo "$tool: $(command -v "$tool") ($(dpkg-query -W -f '${Version}' "$tool" 2>/dev/null || echo '?'))"; done
echo "case UNIT:DIV%:LEN[:N_EVERY[:GENOME]]: array of LEN bp between ${flank} bp flanks; N_EVERY: a 1-5 N run about every"
echo "N_EVERY bp; GENOME 1: flanks hold short repeats. timeout after ${timeout_s} s. B/nt: peak bytes per input nucleotide."
echo "x trf, x tantan: sarvik wall time / the tool's (below 1: sarvik faster). x base: baseline wall / sarvik wall."
echo
printf '%-34s %-17s %3s %9s %8s %8s %7s %8s %8s %8s %s\n' case mode t "wall s" "Mbp/s" "peak MB" "B/nt" "x trf" "x tantan" "x base" "cmp"
status=0
for c in "${cases[@]}"; do
  IFS=: read -r unit div len nevery genome <<< "$c"
  fa=$work/$unit.$div.$len.${nevery:-0}.${genome:-0}.fa
  "$gen" 1 "$unit" "$div" "$len" "$flank" "${nevery:-0}" "${genome:-0}" > "$fa"
  bp=$(grep -v '^>' "$fa" | tr -d '\n' | wc -c)
  declare -A other=()
  for tool in "${others[@]}"; do
    case $tool in
      trf) other[$tool]=$(run "$work/trf" trf "$fa" 2 7 7 80 10 50 500 -h -ngs) ;;
      tantan) other[$tool]=$(run "$work/tantan" tantan -f4 "$fa") ;;
    esac
    printf '%-34s %-17s %3s %9s %8s %8s %7s\n' "$c" "$tool" - "$(awk -v r="${other[$tool]}" 'BEGIN { split(r, a, " "); print a[1] }')" \
      "$(awk -v r="${other[$tool]}" -v bp="$bp" 'BEGIN { split(r, a, " "); if (a[2] == "") print "-"; else printf "%.2f", (a[1] > 0 ? bp / a[1] / 1e6 : 0) }')" \
      "$(awk -v r="${other[$tool]}" 'BEGIN { split(r, a, " "); if (a[2] == "") print "-"; else printf "%.1f", a[2] / 1024 }')" \
      "$(awk -v r="${other[$tool]}" -v bp="$bp" 'BEGIN { split(r, a, " "); if (a[2] == "") print "-"; else printf "%.2f", a[2] * 1024 / bp }')"
  done
  for mode in "${modes[@]}"; do
    mflag=(); [[ $mode != default ]] && mflag=(-M "$mode")
    base_res=
    if [[ -n $baseline ]]; then
      base_res=$(run "$work/base.$mode" "$baseline" -t 1 "${mflag[@]}" "$fa" out.txt)
    fi
    for t in "${threads[@]}"; do
      res=$(run "$work/sarvik.$mode.$t" "$sarvik" -t "$t" "${mflag[@]}" "$fa" out.txt)
      cmpres=-
      if [[ -n $baseline && $base_res != timeout && $base_res != failed* && $res != timeout && $res != failed* ]]; then
        if cmp -s "$work/base.$mode/out.txt" "$work/sarvik.$mode.$t/out.txt"; then cmpres=same; else cmpres=DIFFERENT; status=1; fi
      fi
      awk -v c="$c" -v mode="$mode" -v t="$t" -v r="$res" -v bp="$bp" -v trf="${other[trf]:-}" -v tt="${other[tantan]:-}" \
          -v base="$base_res" -v cmpres="$cmpres" 'function ratio(x, y,  a, b) {
            split(x, a, " "); split(y, b, " ");
            if (a[2] == "" && b[2] == "") return "-";
            if (a[2] == "") return ">" sprintf("%.2f", '"$timeout_s"' / b[1]);
            if (b[2] == "") return "<" sprintf("%.2f", a[1] / '"$timeout_s"');
            return sprintf("%.2f", b[1] > 0 ? a[1] / b[1] : 0) }
          BEGIN { split(r, a, " ");
            if (a[2] == "") { printf "%-34s %-17s %3s %9s\n", c, mode, t, r; exit }
            xb = base == "" ? "-" : ratio(base, r)
            printf "%-34s %-17s %3s %9.2f %8.2f %8.1f %7.2f %8s %8s %8s %s\n", c, mode, t, a[1], (a[1] > 0 ? bp / a[1] / 1e6 : 0),
              a[2] / 1024, a[2] * 1024 / bp, (trf == "" ? "-" : ratio(r, trf)), (tt == "" ? "-" : ratio(r, tt)), xb, cmpres }'
    done
    if [[ -n $baseline ]]; then
      awk -v c="$c" -v mode="$mode" -v r="$base_res" -v bp="$bp" 'BEGIN { split(r, a, " ");
        if (a[2] == "") { printf "%-34s %-17s %3s %9s\n", c, mode "(base)", 1, r; exit }
        printf "%-34s %-17s %3s %9.2f %8.2f %8.1f %7.2f\n", c, mode "(base)", 1, a[1], (a[1] > 0 ? bp / a[1] / 1e6 : 0), a[2] / 1024, a[2] * 1024 / bp }'
    fi
  done
done
(( status == 0 )) || echo "satellites.sh: sarvik's output differs from the baseline's" >&2
exit $status
