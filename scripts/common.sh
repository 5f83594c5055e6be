# Shared by the README's commands: packages, configure and build.
# Sourced, not run.

FW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
FW_PACKAGES=(cmake g++ make qt6-base-dev libqt6sql6-sqlite libsqlite3-dev sqlite3 unixodbc-dev libsqliteodbc
             libgtest-dev libbenchmark-dev poppler-utils xvfb xauth xdotool imagemagick fonts-dejavu-core fonts-liberation2 locales)
FW_JOBS=$(nproc 2>/dev/null || echo 4)

fw_ensure_packages() {
  local missing=() p
  for p in "${FW_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# fw_build DIR [cmake options...]
fw_build() {
  local dir=$1; shift
  cmake -S "$FW_ROOT" -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j "$FW_JOBS"
}
