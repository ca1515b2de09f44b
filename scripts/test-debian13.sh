#!/usr/bin/env bash
# Runs the whole test suite (scripts/test.sh: plain and sanitizer builds, end-to-end
# tests included) inside a Debian 13 root, where the game builds against SDL3. The root
# is made once with debootstrap from the Debian archive that this machine's apt sources
# name, and kept in a cache folder outside the clone; later runs only update it. Needs
# root (it asks sudo otherwise) and ends with the same summary line as test.sh.
#
#   BRAMBIX_DEBIAN13_ROOT   where the root is kept (default /var/cache/brambix/debian13)
set -uo pipefail
cd "$(dirname "$0")/.."
src=$PWD

if [[ $(id -u) -ne 0 ]]; then
  exec sudo --preserve-env=BRAMBIX_DEBIAN13_ROOT bash "$0" "$@"
fi

root=${BRAMBIX_DEBIAN13_ROOT:-/var/cache/brambix/debian13}
suite=trixie
log_dir=$src/build-logs/debian13
mkdir -p "$log_dir"

summary_fail() {
  echo "Brambix tests on Debian 13 (SDL3): FAIL: $*"
  echo "0 passed, 1 failed"
  exit 1
}

# The Debian archive the host's apt sources use (deb822 or one-line form), else the
# default one.
debian_mirror() {
  local uri
  uri=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
    awk '/^URIs:/ { for (i = 2; i <= NF; i++) print $i }' | grep -E '/debian/?$' | head -n 1)
  if [[ -z "$uri" ]]; then
    uri=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
      awk '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { print $i; break } }' |
      grep -E '/debian/?$' | head -n 1)
  fi
  echo "${uri:-http://deb.debian.org/debian}"
}

if ! command -v debootstrap >/dev/null; then
  echo "Brambix: installing missing packages: debootstrap"
  DEBIAN_FRONTEND=noninteractive apt-get update -q >"$log_dir/host-apt.log" 2>&1
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap \
    >>"$log_dir/host-apt.log" 2>&1 || summary_fail "cannot install debootstrap (log: $log_dir/host-apt.log)"
fi

started=$SECONDS
# A root is complete once debootstrap has finished; an interrupted one is made again.
if [[ ! -f "$root/.brambix-root" ]]; then
  mirror=$(debian_mirror)
  echo "== Debian 13: making the root in $root from $mirror"
  rm -rf --one-file-system "$root.new"
  mkdir -p "$(dirname "$root")"
  if ! debootstrap --variant=minbase "$suite" "$root.new" "$mirror" >"$log_dir/debootstrap.log" 2>&1; then
    tail -n 20 "$log_dir/debootstrap.log"
    summary_fail "debootstrap (log: $log_dir/debootstrap.log)"
  fi
  touch "$root.new/.brambix-root"
  # Never remove a root with something still mounted inside it (a bind mount of a
  # home or work folder would be emptied with it).
  if grep -q " $root/" /proc/mounts; then
    summary_fail "$root is incomplete but has file systems mounted inside it: unmount them first"
  fi
  rm -rf --one-file-system "$root"
  mv "$root.new" "$root"
else
  echo "== Debian 13: reusing the root in $root"
fi

# What this script mounted, unmounted in reverse order however it ends.
mounted=()
unmount_all() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount -R "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" 2>/dev/null ||
      echo "Brambix: could not unmount ${mounted[i]}" >&2
  done
  mounted=()
}
trap unmount_all EXIT
trap 'exit 130' INT TERM

# mount_into TARGET MOUNT-ARGS...: mounts unless something is mounted there already.
mount_into() {
  local target=$root/$1
  shift
  mkdir -p "$target"
  mountpoint -q "$target" && return 0
  mount "$@" "$target" || summary_fail "cannot mount $target"
  mounted+=("$target")
}
mount_into proc -t proc proc
mount_into sys --rbind /sys
mount --make-rslave "$root/sys" 2>/dev/null
mount_into dev --bind /dev
mount_into dev/pts --bind /dev/pts
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null

# The project as it stands here (tracked and new files, no build folders), copied in.
work=$root/root/brambix
rm -rf --one-file-system "$work"
mkdir -p "$work"
git -C "$src" ls-files -z --cached --others --exclude-standard |
  (cd "$src" && tar --null --files-from=- -cf - 2>/dev/null) | tar -C "$work" -xf - ||
  summary_fail "cannot copy the project into the root"

echo "== Debian 13: updating the root and installing what the tests need"
in_root() {
  chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" CI="${CI:-}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin /bin/bash -c "$1"
}
if ! in_root 'export DEBIAN_FRONTEND=noninteractive; apt-get update -q && apt-get upgrade -y -q &&
              cd /root/brambix && bash scripts/deps.sh --test && apt-get clean' >"$log_dir/packages.log" 2>&1; then
  tail -n 20 "$log_dir/packages.log"
  summary_fail "installing packages (log: $log_dir/packages.log)"
fi
echo "   ready after $((SECONDS - started)) s"

in_root 'cd /root/brambix && BRAMBIX_EXPECT_SDL=SDL3 bash scripts/test.sh' 2>&1 | tee "$log_dir/test.log"
status=${PIPESTATUS[0]}
cp -r "$work/build-logs/." "$log_dir/" 2>/dev/null
# The copy and its builds are made afresh every run: the cache keeps only the system.
rm -rf --one-file-system "$work"
echo "== Debian 13: $((SECONDS - started)) s in all; root $(du -shx "$root" 2>/dev/null | cut -f1)"
counts=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$log_dir/test.log" | tail -n 1)
if [[ $status -eq 0 ]]; then
  echo "Brambix tests on Debian 13 (SDL3): PASS"
else
  echo "Brambix tests on Debian 13 (SDL3): FAIL (log: $log_dir/test.log)"
fi
echo "${counts:-0 passed, 1 failed}"
exit "$status"
