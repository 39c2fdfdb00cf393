#!/usr/bin/env bash
# Installs every package the project needs to build, run and test, from Debian's archive only.
# Idempotent: packages already present are skipped; the package lists are refreshed once.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config gettext clang libclang-rt-14-dev
  libgtest-dev libgmock-dev
  # daemon
  libglib2.0-dev libsqlite3-dev librsync-dev libvmime-dev libsmbclient-dev
  # controller
  qt6-base-dev libqt6sql6-sqlite qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  # Qt's own texts (standard buttons, file dialogs) in the window's languages
  qt6-translations-l10n
  # test peers
  samba smbclient python3 python3-aiosmtpd python3-dbusmock dbus iputils-ping iproute2 openssl
  rdiff sqlite3
  # looking at the controller: a real X server, screenshots, fonts for the nine languages
  xvfb xauth imagemagick fonts-dejavu-core fonts-wqy-microhei fonts-crosextra-carlito
  fonts-liberation x11-utils
)

# With --bench: the tools the benchmark (bench/) compares against; not needed otherwise.
if [ "${1:-}" = "--bench" ]; then
  packages+=(rsync rdiff-backup time)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
