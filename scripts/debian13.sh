# The Debian 13 root that runs what this machine's release cannot: the suite against
# SDL3, the Windows build under mingw-w64 and Wine, the web build under emscripten and
# Chromium. Sourced by the scripts that need it; run as root.
#
# The root is made once with debootstrap from the Debian archive that this machine's apt
# sources name and kept in a cache folder outside the clone; later runs only update it.
# Each run gets its own copy of the project and its own private mounts (proc, sys, dev,
# dev/pts) that end with it, so several runs can share the root at once.
#
#   BRAMBIX_DEBIAN13_ROOT   where the root is kept (default /var/cache/brambix/debian13)

D13_ROOT=${BRAMBIX_DEBIAN13_ROOT:-/var/cache/brambix/debian13}
D13_SUITE=trixie
D13_SRC=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# What the steps that use the root install there beside what scripts/deps.sh --test names:
# the web build, the browsers that play it, and (scripts/windows-env.sh) the Windows build.
D13_WEB_BUILD_PACKAGES=(emscripten dpkg-dev binaryen zopfli terser esbuild)
D13_BROWSER_PACKAGES=(chromium chromium-driver python3-selenium python3-pil webkitgtk-webdriver firefox-esr
  python3-websocket xvfb xauth)

# The Debian archive the host's apt sources use (deb822 or one-line form): the root takes
# its packages from where this machine takes its own, as many machines reach Debian only
# through a mirror of their own. Prints nothing and fails when the sources name none.
d13_mirror() {
  local uri
  uri=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
    awk '/^URIs:/ { for (i = 2; i <= NF; i++) print $i }' | grep -E '/debian/?$' | head -n 1)
  if [[ -z "$uri" ]]; then
    uri=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
      awk '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { print $i; break } }' |
      grep -E '/debian/?$' | head -n 1)
  fi
  [[ -n "$uri" ]] && echo "$uri"
}

# d13_make_root LOG: makes the root unless a complete one is there. A root counts as
# complete once debootstrap has finished; an interrupted one is made again.
d13_make_root() {
  local log=$1
  if ! command -v debootstrap >/dev/null; then
    echo "Brambix: installing missing packages: debootstrap"
    DEBIAN_FRONTEND=noninteractive apt-get update -q >>"$log" 2>&1
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q -o DPkg::Lock::Timeout=600 --no-install-recommends debootstrap >>"$log" 2>&1 ||
      { echo "cannot install debootstrap (log: $log)"; return 1; }
  fi
  mkdir -p "$(dirname "$D13_ROOT")"
  # One maker at a time; the others wait and then find the root made.
  exec {lock}>"$D13_ROOT.lock"
  flock "$lock"
  if [[ ! -f "$D13_ROOT/.brambix-root" ]]; then
    local mirror
    if ! mirror=$(d13_mirror); then
      echo "Brambix: the apt sources of this machine (/etc/apt/sources.list, /etc/apt/sources.list.d/) name no Debian archive" \
        "(an address ending in /debian) to make the Debian 13 root from: add the one this machine should use" >&2
      flock -u "$lock"
      return 1
    fi
    echo "== Debian 13: making the root in $D13_ROOT from $mirror"
    rm -rf --one-file-system "$D13_ROOT.new"
    if ! debootstrap --variant=minbase "$D13_SUITE" "$D13_ROOT.new" "$mirror" >>"$log" 2>&1; then
      tail -n 20 "$log"
      echo "debootstrap failed (log: $log)"
      flock -u "$lock"
      return 1
    fi
    touch "$D13_ROOT.new/.brambix-root"
    # Never remove a root with something still mounted inside it (a bind mount of a
    # home or work folder would be emptied with it).
    if grep -q " $D13_ROOT/" /proc/mounts; then
      echo "$D13_ROOT is incomplete but has file systems mounted inside it: unmount them first"
      flock -u "$lock"
      return 1
    fi
    rm -rf --one-file-system "$D13_ROOT"
    mv "$D13_ROOT.new" "$D13_ROOT"
  else
    echo "== Debian 13: reusing the root in $D13_ROOT"
  fi
  flock -u "$lock"
}

# d13_sh COMMAND: runs COMMAND with bash inside the root, with a clean environment and
# proc, sys, dev and dev/pts mounted in a mount namespace of its own, so they are gone
# when it ends, however it ends, and never seen by other runs or by this machine.
# BRAMBIX_*, CI and SOURCE_DATE_EPOCH (the time a release build stamps) pass through.
d13_sh() {
  local keep=() v
  for v in $(compgen -e); do
    [[ $v == BRAMBIX_* || $v == CI || $v == SOURCE_DATE_EPOCH ]] && keep+=("$v=${!v}")
  done
  cp /etc/resolv.conf "$D13_ROOT/etc/resolv.conf" 2>/dev/null
  unshare --mount --propagation private /bin/bash -c '
    root=$1; shift
    mount -t proc proc "$root/proc" && mount --rbind /sys "$root/sys" &&
      mount --bind /dev "$root/dev" && mount --bind /dev/pts "$root/dev/pts" || exit 125
    exec chroot "$root" /usr/bin/env -i "$@"' bash "$D13_ROOT" \
    HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    "${keep[@]}" /bin/bash -c "$1"
}

# d13_packages LOG [PACKAGES...]: updates the root and installs what scripts/deps.sh
# --test names, and the given packages. Runs that share the root take turns.
d13_packages() {
  local log=$1
  shift
  local copy=/root/brambix-deps-$$
  mkdir -p "$D13_ROOT$copy"
  cp "$D13_SRC/scripts/deps.sh" "$D13_ROOT$copy/"
  exec {lock}>"$D13_ROOT.apt-lock"
  flock "$lock"
  # Source packages too: the Windows and web builds make their libraries from them.
  local list=$D13_ROOT/etc/apt/sources.list
  if [[ -f "$list" ]] && ! grep -q '^deb-src' "$list"; then
    sed -n 's/^deb /deb-src /p' "$list" >>"$list"
  fi
  d13_sh "export DEBIAN_FRONTEND=noninteractive; dpkg --configure -a && apt-get update -q && apt-get upgrade -y -q &&
          bash $copy/deps.sh --test && apt-get install -y -q --no-install-recommends $* && apt-get clean" >>"$log" 2>&1
  local status=$?
  flock -u "$lock"
  rm -rf --one-file-system "$D13_ROOT$copy"
  if [[ $status -ne 0 ]]; then
    tail -n 20 "$log"
    echo "installing packages in the root failed (log: $log)"
  fi
  return "$status"
}

# d13_copy_project NAME: copies the project as it stands here (tracked and new files, no
# build folders) to /root/NAME in the root, afresh; prints that path inside the root.
d13_copy_project() {
  local work=$D13_ROOT/root/$1
  rm -rf --one-file-system "$work"
  mkdir -p "$work"
  git -C "$D13_SRC" ls-files -z --cached --others --exclude-standard |
    (cd "$D13_SRC" && tar --null --files-from=- -cf - 2>/dev/null) | tar -C "$work" -xf - || return 1
  echo "/root/$1"
}

# d13_drop_project NAME: removes that copy and its builds.
d13_drop_project() {
  rm -rf --one-file-system "$D13_ROOT/root/$1"
}

# d13_prepare LOG: the root made and every package of every step that uses it installed,
# in one go. CI starts it beside this machine's own tests: on a cold machine the root's
# downloads and unpacking take minutes in which the compiler needs neither.
d13_prepare() {
  local log=$1
  source "$D13_SRC/scripts/windows-env.sh"
  d13_make_root "$log" && d13_packages "$log" "${D13_WEB_BUILD_PACKAGES[@]}" "${D13_BROWSER_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"
}

# d13_made_from FILE...: marks each file or folder (of this clone) as made from this
# commit, when the checkout has no changes: a release made later from the same commit
# may take it as it is (scripts/release.sh, BRAMBIX_RELEASE_REUSE).
d13_made_from() {
  local commit
  commit=$(git -C "$D13_SRC" rev-parse HEAD 2>/dev/null) || return 0
  [[ -z $(git -C "$D13_SRC" status --porcelain 2>/dev/null) ]] || return 0
  for f in "$@"; do
    [[ -e $f ]] && echo "$commit" >"$f.made-from"
  done
  return 0
}
