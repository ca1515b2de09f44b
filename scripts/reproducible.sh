# What makes an archive the same bytes from the same sources wherever it is made: times
# from the last commit, names sorted, owners and permissions fixed. Sourced.

# release_epoch: exports SOURCE_DATE_EPOCH, the time stamped on what is built: as given,
# else the time of the checkout's last commit, else 2000-01-01 (a copy without history).
release_epoch() {
  if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
    SOURCE_DATE_EPOCH=$(git -C "$(dirname "${BASH_SOURCE[0]}")" log -1 --format=%ct 2>/dev/null) ||
      SOURCE_DATE_EPOCH=946684800
  fi
  export SOURCE_DATE_EPOCH
}

# same_bytes_zip DIR ENTRY ZIP: zips the folder DIR/ENTRY into ZIP (an absolute path),
# its files under ENTRY/ in the order of their names' bytes, each read-only but for
# programs (.exe) and dated SOURCE_DATE_EPOCH in UTC, with no owners or extra times.
same_bytes_zip() {
  local dir=$1 entry=$2 zip=$3
  release_epoch
  rm -f "$zip"
  (
    cd "$dir" || exit 1
    find "$entry" -type d -exec chmod 755 {} + &&
      find "$entry" -type f -exec chmod 644 {} + &&
      find "$entry" -type f -name '*.exe' -exec chmod 755 {} + &&
      find "$entry" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} + &&
      find "$entry" -type f -print | LC_ALL=C sort | TZ=UTC0 zip -q -X -9 "$zip" -@
  )
}
