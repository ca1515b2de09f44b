# Sourced by the build scripts. install_missing LOG PACKAGE...: installs those of the
# Debian packages that are not installed yet; apt-get's output goes to LOG, and its last
# lines to the terminal when it fails (status 1).
install_missing() {
  local log=$1 p missing=()
  shift
  for p in "$@"; do
    [[ $(dpkg-query -W -f='${Status}' "$p" 2>/dev/null) == "install ok installed" ]] || missing+=("$p")
  done
  [[ ${#missing[@]} -eq 0 ]] && return 0
  echo "Brambix: installing missing packages: ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >"$log" 2>&1 ||
    { tail -n 20 "$log"; return 1; }
}
