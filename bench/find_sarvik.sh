# Sourced by the benchmark scripts (which set `here` to their folder).
# find_sarvik FOLDER-OR-BINARY: prints the absolute path of the binary, found
# as given or relative to the repository.
find_sarvik() {
  local where=$1 dir
  for dir in "$where" "$here/../$where"; do
    if [[ -f "$dir" && -x "$dir" ]]; then
      echo "$(cd "$(dirname "$dir")" && pwd)/$(basename "$dir")"; return 0
    fi
    if [[ -x "$dir/sarvik" ]]; then
      echo "$(cd "$dir" && pwd)/sarvik"; return 0
    fi
  done
  echo "$(basename "$0"): no sarvik binary at '$where' (build it first, e.g. make build)" >&2
  return 1
}
