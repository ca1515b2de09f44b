# What the Windows build and its tests need, and the way into the Debian 13 root on a
# host whose release has too old a cross compiler or no SDL3 sources. Sourced.

WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix mingw-w64 binutils-mingw-w64-x86-64 cmake wine wine64 dpkg-dev zip unzip ccache)

# True on Debian 13 or later, where everything comes from the host's own archive.
windows_host_ready() {
  [[ -n "${BRAMBIX_WINDOWS_DIRECT:-}" ]] && return 0
  local ID="" VERSION_ID=""
  # shellcheck disable=SC1091
  source /etc/os-release 2>/dev/null
  [[ $ID == debian && ${VERSION_ID%%.*} =~ ^[0-9]+$ && ${VERSION_ID%%.*} -ge 13 ]]
}

# windows_in_root NAME LOG-DIR COMMAND: runs COMMAND in a fresh copy of this project
# inside the Debian 13 root (scripts/debian13.sh); the copy's dist/ and build-logs/ come
# back into this clone. Returns COMMAND's status.
windows_in_root() {
  local name=$1 logs=$2 command=$3 work status
  [[ $(id -u) -eq 0 ]] || { echo "the Debian 13 root needs root: run this with sudo"; return 1; }
  source "$(dirname "${BASH_SOURCE[0]}")/debian13.sh"
  mkdir -p "$logs"
  d13_make_root "$logs/debootstrap.log" || return 1
  echo "== Debian 13: updating the root and installing the cross compiler and Wine"
  d13_packages "$logs/packages.log" "${WINDOWS_PACKAGES[@]}" || return 1
  work=$(d13_copy_project "$name") || { echo "cannot copy the project into the root"; return 1; }
  d13_sh "cd $work && BRAMBIX_WINDOWS_DIRECT=1 $command"
  status=$?
  mkdir -p "$D13_SRC/dist"
  cp "$D13_ROOT$work"/dist/*.zip "$D13_SRC/dist/" 2>/dev/null
  [[ $status -eq 0 ]] && d13_made_from "$D13_SRC"/dist/*.zip
  cp -r "$D13_ROOT$work/build-logs/windows/." "$logs/" 2>/dev/null
  d13_drop_project "$name"
  return "$status"
}
