#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
set -euo pipefail
packages=(g++ cmake ninja-build pkg-config qt6-base-dev libqt6opengl6-dev libsqlite3-dev sqlite3 libjpeg-dev
          libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth poppler-utils fonts-dejavu-core python3
          qt6-translations-l10n qt6-l10n-tools)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
