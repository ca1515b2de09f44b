# What the Windows and web builds share: the libraries' sources from Debian's archive
# and a folder holding only the JSON library's headers. Sourced; needs deb-src lines for
# this system's release and, for SDL3 and SDL3_image, for Debian's next one.

# SDL 3.4 reads the browser's pointer events, so one tap is one event on a phone; the
# release this runs on has 3.2. These two come from the next release's sources, the
# rest from this system's own release.
NEXT_SUITE=forky
NEXT_SOURCES=(libsdl3 libsdl3-image)

# The suite that source package $1 is taken from.
source_suite() {
  local p
  for p in "${NEXT_SOURCES[@]}"; do
    [[ $1 == "$p" ]] && { echo "$NEXT_SUITE"; return; }
  done
  (. /etc/os-release && echo "$VERSION_CODENAME")
}

# newest_in SUITE PACKAGE: the newest version of the source package in the suite's lists.
newest_in() {
  apt-cache madison "$2" 2>/dev/null |
    awk -F'|' -v s="$1" '$3 ~ " " s "(-[a-z]+)?/[^ ]* Sources" { gsub(/ /, "", $2); print $2 }' |
    sort -V | tail -n 1
}

# The version of source package $1 to build: the newest in its suite. An archive
# mirror can list a version of the next release whose files it does not hold yet: then
# this system's own release's version is used, and the build says so.
source_version() {
  local suite v dir uri
  suite=$(source_suite "$1")
  v=$(newest_in "$suite" "$1")
  if [[ -n $v && $suite == "$NEXT_SUITE" ]]; then
    dir=$(mktemp -d)
    chmod 755 "$dir"
    uri=$(cd / && apt-get source -q --print-uris "$1=$v" 2>/dev/null | awk '/\.dsc'"'"' / { gsub("'"'"'", "", $1); print $1 }')
    if ! (cd "$dir" && /usr/lib/apt/apt-helper download-file "$uri" probe.dsc) >/dev/null 2>&1; then
      echo "Brambix: the archive lists $1 $v ($suite) but does not hold it: using this release's" >&2
      v=$(newest_in "$( (. /etc/os-release && echo "$VERSION_CODENAME") )" "$1")
    fi
    rm -rf "$dir"
  fi
  echo "$v"
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
    [[ -n $v ]] || { echo "no source package $p in $(source_suite "$p"): is there a deb-src line for it in the apt sources?" >&2; return 1; }
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
