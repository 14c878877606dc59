#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
# Idempotent and non-interactive; run as root (CI runs it as root).
# With --package, also what building and checking the Debian packages needs.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config clang libclang-rt-14-dev
  zlib1g-dev libminizip-dev libdeflate-dev libexpat1-dev libpng-dev libjpeg-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-multimedia-dev libgl-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  fonts-noto-cjk xvfb xauth ffmpeg
  python3 python3-openpyxl python3-olefile python3-pil libxml2-utils libxml2-dev poppler-utils
  libreoffice-calc-nogui
  libxlsxwriter-dev
  qt6-translations-l10n
  libx11-dev xdotool x11-utils openbox python3-uno
  desktop-file-utils locales
)
if [ "${1:-}" = --package ]; then
  PACKAGES+=(debhelper lintian)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing[*]}); run this script as root" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
