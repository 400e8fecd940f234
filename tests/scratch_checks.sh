# Sourced by the end-to-end scripts: they run in a scratch folder that is
# removed at exit, and count their cases with check.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
pass=0 fail=0

check() {  # description, then a command that succeeds when the case holds
  local what=$1
  shift
  if "$@"; then
    pass=$((pass + 1))
  else
    fail=$((fail + 1))
    echo "FAIL $what"
  fi
}
