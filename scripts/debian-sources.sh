# What the Windows and web builds share: the libraries' sources from Debian's archive
# and a folder holding only the JSON library's headers. Sourced; needs deb-src lines.

# The newest version of source package $1 that the package lists offer.
source_version() {
  apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/ { print $2 }' | sort -V | tail -n 1
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
