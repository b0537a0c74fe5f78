#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need.
# As root it runs apt-get; otherwise it prints the command to run.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-translations-l10n libxml2-dev libxml2-utils libpcre2-dev pxlib-dev nlohmann-json3-dev
  libcairo2-dev libpango1.0-dev libqrencode-dev fonts-dejavu-core
  libgtest-dev libgmock-dev poppler-utils zbar-tools
  xvfb xauth trayer
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  echo "Instaluję brakujące pakiety: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "Brakuje pakietów: ${missing[*]}" >&2
  echo "Zainstaluj je poleceniem:" >&2
  echo "  sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
