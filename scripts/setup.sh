#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
# Idempotent: packages already present are skipped. Run as root (or via sudo).
# The fuzz targets (scripts/fuzz.sh) also need clang and libfuzzer-14-dev; CI does not run them.
set -euo pipefail

PACKAGES=(
    g++ cmake ninja-build pkgconf ccache
    qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev libqt6svg6
    libsqlite3-dev libzip-dev libpugixml-dev libjpeg-dev nlohmann-json3-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-liberation fonts-dejavu-core qt6-translations-l10n
    libxkbcommon-dev libgl-dev
    xvfb xauth xdg-utils
    at-spi2-core python3-pyatspi xdotool dbus
    dpkg-dev appstream desktop-file-utils python3-ezdxf
    libreoffice-writer-nogui poppler-utils
    libdxflib-dev libpoppler-qt6-dev libboost-dev libgl1-mesa-dri
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all packages present"
    exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
