# What the Windows and web builds share: the libraries' sources from Debian's archive
# and a folder holding only the JSON library's headers. Sourced; needs deb-src lines.

# Sources taken at a fixed version from Debian's next release rather than this system's:
# package, version, SHA-256 of its .dsc (which lists its files' digests, each checked).
# SDL 3.4 reads the browser's pointer events, so one tap on a phone is one event (3.2
# also sends a mouse click for it); SDL3_image keeps to the SDL it was released with.
declare -A PINNED_SOURCES=(
  [libsdl3]="3.4.16+ds-1 035f693852208eaef7642f932d6cbd765f7ff78da1c29122f79a6c9585cc207f"
  [libsdl3-image]="3.4.6+ds-1 8ec4be44c170343c99ca074d4ad5c592939652a5b86b0fec81197dd5aa2fe26f"
)

# The version of source package $1 to build: the pinned one, else the newest that the
# package lists offer.
source_version() {
  if [[ -n ${PINNED_SOURCES[$1]:-} ]]; then
    echo "${PINNED_SOURCES[$1]%% *}"
    return
  fi
  apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/ { print $2 }' | sort -V | tail -n 1
}

# fetch_pinned DIR PACKAGE: the pinned version's .dsc and files into DIR, each checked
# against its digest, from the pool folder where the archive keeps that package.
fetch_pinned() {
  local dir=$1 p=$2 v sum pool dsc file
  read -r v sum <<<"${PINNED_SOURCES[$p]}"
  # The pool folder, from the address apt gives for the version the lists offer.
  pool=$(cd / && apt-get source -q --print-uris "$p" 2>/dev/null | awk '/\.dsc'"'"' / { gsub("'"'"'", "", $1); print $1 }')
  [[ -n $pool ]] || { echo "no source package $p: is there a deb-src line in the apt sources?" >&2; return 1; }
  pool=${pool%/*}
  dsc=${p}_${v#*:}.dsc
  (cd "$dir" && /usr/lib/apt/apt-helper download-file "$pool/${dsc//+/%2b}" "$dsc" "SHA256:$sum") >>"$dir/source.log" 2>&1 ||
    { echo "cannot fetch $dsc from $pool: if the archive no longer holds it, pin a newer version in scripts/debian-sources.sh" >&2; return 1; }
  awk '/^Checksums-Sha256:/ { f = 1; next } /^[^ ]/ { f = 0 } f { print $1, $3 }' "$dir/$dsc" |
    while read -r sum file; do
      (cd "$dir" && /usr/lib/apt/apt-helper download-file "$pool/${file//+/%2b}" "$file" "SHA256:$sum") \
        >>"$dir/source.log" 2>&1 || { echo "cannot fetch $file from $pool" >&2; exit 1; }
    done
}

# unpack_sources DIR PACKAGE...: each package's source, unpacked into DIR/PACKAGE-src.
# apt checks every download against the signed archive. The archive can lack a point
# release's .dsc and patches while it still has that version's original tarball: then
# the tarball is used as it is, fetched against the Sources index's checksum.
unpack_sources() {
  local dir=$1 p v orig line uri file size sum
  shift
  mkdir -p "$dir"
  chmod 755 "$dir" # apt's download user writes there
  for p in "$@"; do
    if [[ -n ${PINNED_SOURCES[$p]:-} ]]; then
      rm -rf "$dir/$p-src"
      fetch_pinned "$dir" "$p" || return 1
      dpkg-source -x "$dir/${p}_$(source_version "$p").dsc" "$dir/$p-src" >>"$dir/source.log" 2>&1 || return 1
      continue
    fi
    v=$(source_version "$p")
    [[ -n $v ]] || { echo "no source package $p: is there a deb-src line in the apt sources?" >&2; return 1; }
    rm -rf "$dir/$p-src"
    if (cd "$dir" && apt-get source -q --download-only "$p=$v") >>"$dir/source.log" 2>&1; then
      dpkg-source -x "$(ls "$dir/${p}_"*.dsc | head -n 1)" "$dir/$p-src" >>"$dir/source.log" 2>&1 || return 1
      continue
    fi
    # apt fetched what the archive has before it gave up; a missing tarball is fetched
    # here (asked from another folder: apt lists no file it finds downloaded already).
    orig=$(ls "$dir/${p}_"*.orig.tar.* 2>/dev/null | grep -Ev '\.orig-|\.asc$' | head -n 1 || true)
    if [[ -z $orig ]]; then
      line=$(cd / && apt-get source -q --print-uris "$p=$v" | grep -E "^'[^ ]*\.orig\.tar\.[a-z0-9]+' " || true)
      [[ -n $line ]] || { tail -n 20 "$dir/source.log" >&2; echo "cannot get the source package $p" >&2; return 1; }
      read -r uri file size sum <<<"$line"
      (cd "$dir" && /usr/lib/apt/apt-helper download-file "${uri//\'/}" "$file" "$sum") >>"$dir/source.log" 2>&1 ||
        { echo "cannot fetch $file" >&2; return 1; }
      orig=$dir/$file
    fi
    mkdir -p "$dir/$p-src"
    tar -C "$dir/$p-src" --strip-components=1 -xf "$orig" || return 1
  done
}

# json_headers DIR: the system's nlohmann/json headers and CMake files copied into DIR,
# a prefix of their own, so a cross build finds them without seeing the rest of /usr.
json_headers() {
  rm -rf "$1"
  mkdir -p "$1/include" "$1/share/cmake"
  cp -r /usr/include/nlohmann "$1/include/"
  cp -r /usr/share/cmake/nlohmann_json "$1/share/cmake/"
}
