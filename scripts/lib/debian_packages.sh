# Installs the Debian packages given that are not installed yet, with apt
# (through sudo when not root); on a prepared machine it returns at once.
# Sourced by scripts/install-deps.sh and scripts/build-windows.sh:
#   ensure_debian_packages NAME PACKAGE...
# NAME starts the lines it prints.
ensure_debian_packages() {
  local name=$1
  shift
  local missing=() pkg status
  for pkg in "$@"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
  done
  ((${#missing[@]} > 0)) || return 0
  echo "$name: installing ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  echo "$name: done"
}

# Runs a command as root: directly when root already, else through sudo.
as_root() {
  if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi
}
