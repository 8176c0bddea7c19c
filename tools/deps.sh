#!/usr/bin/env bash
# Installs the Debian 12 packages Orvel needs to build, run and test, when
# any of them is missing. Sourced by run.sh and test.sh.
orvel_packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6svg6
  qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-5compat-dev
  # Debian's qt6-speech-dev needs the QML headers without depending on them.
  qt6-speech-dev qt6-declarative-dev
  libgl-dev libicu72 libsqlite3-dev libxcb1-dev libxxhash-dev
  xvfb xauth fonts-noto-cjk desktop-file-utils appstream qt6-translations-l10n poppler-utils
  edict
)
orvel_install_missing() {
  local missing=()
  for p in "${orvel_packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}" >&2
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
