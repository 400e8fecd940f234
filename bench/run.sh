#!/usr/bin/env bash
# Times sarvik in its three search modes, and TRF and tantan with their usual
# settings, on two public inputs taken from Debian packages: a bacterial genome
# and a set of fly upstream regions. Prints wall time, throughput, peak memory
# and the ratios between the tools, all measured in the same run.
#
#   bench/run.sh [build-folder]      (default: build)
#
# Environment:
#   INPUTS    inputs to time, out of "kleb fly" (default: both)
#   MODES     sarvik modes, out of "default exact extendExact" (default: all)
#   TOOLS     other tools, out of "trf tantan" (default: both; empty for none)
#   REPEAT    runs of every command; the table keeps the fastest (default 1)
#   BASELINE  a second sarvik binary (or its build folder) to time side by side
#   CHECK     with BASELINE: 1 (default) compares the two binaries' output
#             files byte for byte, 0 skips that
#   THREADS   sarvik's -t (default: its own, all the cores it may use); the
#             baseline's too where it has the option (older binaries have no -t)
#
# Not a test, except for the output check: the figures depend on the machine,
# and on a shared one only the ratios measured in the same run mean much.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)

source "$here/find_sarvik.sh"

sarvik=$(find_sarvik "${1:-build}")
baseline=
[[ -n ${BASELINE:-} ]] && baseline=$(find_sarvik "$BASELINE")
baseline_threads=0
# The help is read whole: under pipefail, `grep -q` quitting early could kill
# the writer and leave the baseline on all cores.
if [[ -n $baseline ]]; then
  help=$("$baseline" --help 2>/dev/null || true)
  [[ $help == *--threads* ]] && baseline_threads=1
fi
read -r -a inputs <<< "${INPUTS-kleb fly}"
read -r -a modes <<< "${MODES-default exact extendExact}"
read -r -a others <<< "${TOOLS-trf tantan}"
repeat=${REPEAT:-1}
check=${CHECK:-1}

# only_from WHAT ALLOWED... -- VALUES...: rejects unknown names.
only_from() {
  local what=$1 value; shift
  local allowed=()
  while [[ $1 != -- ]]; do allowed+=("$1"); shift; done
  shift
  for value in "$@"; do
    [[ " ${allowed[*]} " == *" $value "* ]] && continue
    echo "run.sh: unknown $what '$value' (choose from: ${allowed[*]})" >&2
    exit 2
  done
}
only_from INPUTS kleb fly -- "${inputs[@]}"
only_from MODES default exact extendExact -- "${modes[@]}"
only_from TOOLS trf tantan -- "${others[@]}"
[[ $repeat =~ ^[1-9][0-9]*$ ]] || { echo "run.sh: REPEAT must be a positive number" >&2; exit 2; }
(( ${#inputs[@]} > 0 )) || { echo "run.sh: INPUTS is empty" >&2; exit 2; }

# need COMMAND PACKAGE: installs the Debian package when the command is
# missing. TRF and tantan serve only this benchmark, so they are installed
# here rather than with the build dependencies.
need() {
  local cmd=$1 pkg=$2
  command -v "$cmd" >/dev/null && return 0
  if [[ $(id -u) -ne 0 ]]; then
    echo "run.sh: '$cmd' is missing; install the Debian package '$pkg'" >&2
    exit 1
  fi
  echo "run.sh: installing the Debian package '$pkg'" >&2
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
    --no-install-recommends "$pkg" >/dev/null
}
need /usr/bin/time time
for tool in "${others[@]}"; do need "$tool" "$tool"; done

# shellcheck source=fetch_inputs.sh
source "$here/fetch_inputs.sh"

declare -A path records bp
for input in "${inputs[@]}"; do
  path[$input]=$(fetch_input "$here/.cache" "$input")
  records[$input]=$(grep -c '^>' "${path[$input]}")
  bp[$input]=$(grep -v '^>' "${path[$input]}" | tr -d ' \t\r\n' | wc -c)
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The runs, in the order they happen; each has its own folder under $work.
runs=()
for input in "${inputs[@]}"; do
  for mode in "${modes[@]}"; do
    runs+=("sarvik $mode $input")
    [[ -n $baseline ]] && runs+=("baseline $mode $input")
  done
  for tool in "${others[@]}"; do
    case $tool in
      trf) runs+=("trf p1-500 $input") ;;
      tantan) runs+=("tantan -f4 $input") ;;
    esac
  done
done

# run_once TOOL MODE INPUT DIR: one timed run, output and time report in DIR.
# sarvik writes its output file's name into the file, so every binary writes
# to the same relative name in its own folder, which keeps the files comparable.
run_once() {
  local tool=$1 mode=$2 input=$3 dir=$4 fa=${path[$3]}
  local cmd=() ok=" 0 " rc=0
  case $tool in
    sarvik|baseline)
      [[ $tool == sarvik ]] && cmd=("$sarvik") || cmd=("$baseline")
      [[ -n ${THREADS:-} && ( $tool == sarvik || $baseline_threads == 1 ) ]] && cmd+=(-t "$THREADS")
      [[ $mode != default ]] && cmd+=(-M "$mode")
      cmd+=("$fa" out.txt) ;;
    # -ngs writes to stdout instead of files in the current folder. Debian's
    # trf 4.09.1 then exits with 253 after a complete run (255 on errors).
    trf) cmd=(trf "$fa" 2 7 7 80 10 50 500 -h -ngs); ok=" 0 253 " ;;
    tantan) cmd=(tantan -f4 "$fa") ;;
  esac
  (cd "$dir" && /usr/bin/time -v -o time.txt "${cmd[@]}" >stdout.txt 2>stderr.txt) || rc=$?
  if [[ $ok != *" $rc "* ]]; then
    echo "run.sh: $tool ($mode) failed on $input with exit status $rc:" >&2
    tail -n 5 "$dir/stderr.txt" >&2
    exit 1
  fi
}

# "Elapsed (wall clock) time (h:mm:ss or m:ss): 1:02.34" -> seconds
wall_of() {
  awk -F': ' '/Elapsed \(wall clock\)/ {
    n = split($2, p, ":"); s = 0
    for (i = 1; i <= n; i++) s = s * 60 + p[i]
    print s }' "$1"
}
cpu_of() { awk -F': ' '/(User|System) time \(seconds\)/ { s += $2 } END { print s }' "$1"; }
peak_kb_of() { awk -F': ' '/Maximum resident set size/ { print $2 }' "$1"; }

declare -A wall cpu peak_kb
for ((rep = 1; rep <= repeat; rep++)); do
  for run in "${runs[@]}"; do
    read -r tool mode input <<< "$run"
    dir=$work/$tool.$mode.$input
    mkdir -p "$dir"
    run_once "$tool" "$mode" "$input" "$dir"
    w=$(wall_of "$dir/time.txt")
    kb=$(peak_kb_of "$dir/time.txt")
    printf 'run.sh: [%d/%d] %-8s %-11s %-4s %8.2f s\n' "$rep" "$repeat" "$tool" "$mode" "$input" "$w" >&2
    if [[ -z ${wall[$run]:-} ]] || awk -v a="$w" -v b="${wall[$run]}" 'BEGIN { exit !(a < b) }'; then
      wall[$run]=$w
      cpu[$run]=$(cpu_of "$dir/time.txt")
    fi
    (( ${peak_kb[$run]:-0} > kb )) || peak_kb[$run]=$kb
  done
done

# ratio A B: A / B with two decimals, "-" when B is missing.
ratio() {
  if [[ -z ${2:-} ]]; then echo -; else awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; fi
}

echo
echo "sarvik:   $sarvik"
[[ -n $baseline ]] && echo "baseline: $baseline"
for tool in "${others[@]}"; do
  echo "$tool:$(printf '%*s' $((9 - ${#tool})) '')$(command -v "$tool") ($(dpkg-query -W -f '${Version}' "$tool" 2>/dev/null || echo '?'))"
done
for input in "${inputs[@]}"; do
  printf 'input %-4s  %s, %d record(s), %d bp\n' "$input" "$(basename "${path[$input]}")" "${records[$input]}" "${bp[$input]}"
done
echo "commands: sarvik${THREADS:+ -t $THREADS} [-M MODE] FILE out.txt | trf FILE 2 7 7 80 10 50 500 -h -ngs | tantan -f4 FILE"
echo "wall s: fastest of $repeat run(s), cpu s: its user + system time; peak MB: maximum resident set size;"
echo "B/nt: peak bytes per input nucleotide"
echo "x sarvik: wall time divided by sarvik's (default mode) on the same input"
echo
printf '%-8s %-11s %-5s %7s %8s %7s %8s %8s %6s %9s\n' tool mode input Mbp "wall s" "cpu s" "Mbp/s" "peak MB" "B/nt" "x sarvik"
for run in "${runs[@]}"; do
  read -r tool mode input <<< "$run"
  awk -v tool="$tool" -v mode="$mode" -v input="$input" -v bp="${bp[$input]}" -v wall="${wall[$run]}" \
      -v cpu="${cpu[$run]}" -v kb="${peak_kb[$run]}" -v rel="$(ratio "${wall[$run]}" "${wall[sarvik default $input]:-}")" 'BEGIN {
    printf "%-8s %-11s %-5s %7.2f %8.2f %7.2f %8.2f %8.1f %6.2f %9s\n", tool, mode, input, bp / 1e6, wall, cpu,
           (wall > 0 ? bp / wall / 1e6 : 0), kb / 1024, kb * 1024 / bp, rel }'
done

status=0
if [[ -n ${wall[sarvik default ${inputs[0]}]:-} ]] && (( ${#others[@]} > 0 )); then
  echo
  echo "sarvik (default mode) wall time divided by the other tool's, same input (cpu time in brackets):"
  for input in "${inputs[@]}"; do
    line="  $input:"
    for run in "${runs[@]}"; do
      read -r tool mode run_input <<< "$run"
      [[ $run_input == "$input" && $tool != sarvik && $tool != baseline ]] || continue
      line+="  / $tool $(ratio "${wall[sarvik default $input]}" "${wall[$run]}")"
      line+=" (cpu $(ratio "${cpu[sarvik default $input]}" "${cpu[$run]}"))"
    done
    echo "$line"
  done
fi
if [[ -n $baseline ]]; then
  echo
  echo "speed-up over the baseline (baseline wall time / sarvik wall time; cpu time in brackets):"
  for input in "${inputs[@]}"; do
    line="  $input:"
    for mode in "${modes[@]}"; do
      line+="  $mode $(ratio "${wall[baseline $mode $input]}" "${wall[sarvik $mode $input]}")"
      line+=" (cpu $(ratio "${cpu[baseline $mode $input]}" "${cpu[sarvik $mode $input]}"))"
    done
    echo "$line"
  done
  if [[ $check == 1 ]]; then
    echo
    echo "output files of sarvik and the baseline (cmp):"
    for input in "${inputs[@]}"; do
      line="  $input:"
      for mode in "${modes[@]}"; do
        if cmp -s "$work/sarvik.$mode.$input/out.txt" "$work/baseline.$mode.$input/out.txt"; then
          line+="  $mode identical"
        else
          line+="  $mode DIFFERENT"; status=1
        fi
      done
      echo "$line"
    done
    (( status == 0 )) || echo "run.sh: the two binaries' output differs" >&2
  fi
fi
exit $status
