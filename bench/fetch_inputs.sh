# Sourced by check_equivalence_real.sh: fetch_inputs CACHE_DIR downloads (never
# installs) the two Debian packages that hold the benchmark genomes and
# unpacks CACHE_DIR/Klebs_HS11286.fna and CACHE_DIR/dm3_upstream2000.fa,
# once; later calls reuse them.

# fetch_deb <cache> <package>: prints the path of the downloaded package.
fetch_deb() {
  local cache=$1 pkg=$2
  if ! ls "$cache"/"${pkg}"_*.deb >/dev/null 2>&1; then
    (cd "$cache" && apt-get download "$pkg" >/dev/null 2>&1) || {
      echo "$(basename "$0"): apt-get download $pkg failed (try apt-get update first)" >&2
      exit 1
    }
  fi
  ls "$cache"/"${pkg}"_*.deb | head -n 1
}

# extract <deb> <path inside> <decompressor> <target>
extract() {
  local deb=$1 member=$2 unpack=$3 target=$4
  [[ -s "$target" ]] && return 0
  dpkg-deb --fsys-tarfile "$deb" | tar -xO "$member" | $unpack > "$target.part"
  mv "$target.part" "$target"
}

fetch_inputs() {
  local cache=$1 kleb_deb bios_deb
  mkdir -p "$cache"
  kleb_deb=$(fetch_deb "$cache" kleborate-examples)
  bios_deb=$(fetch_deb "$cache" r-bioc-biostrings)
  extract "$kleb_deb" ./usr/share/doc/kleborate/examples/data/Klebs_HS11286.fna.xz "xz -dc" "$cache/Klebs_HS11286.fna"
  extract "$bios_deb" ./usr/lib/R/site-library/Biostrings/extdata/dm3_upstream2000.fa.gz "gzip -dc" \
    "$cache/dm3_upstream2000.fa"
}
