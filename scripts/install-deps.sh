#!/bin/sh
# Installs what the build, the tests and the program need, from Debian packages.
# A quick no-op when everything is already there.
set -e
PACKAGES="cmake ninja-build g++ pkg-config ccache qt6-base-dev libqt6sql6-sqlite libgl1-mesa-dev \
fonts-arphic-uming qt6-translations-l10n libfreexl-dev libquazip1-qt6-dev python3 python3-xlwt python3-openpyxl poppler-utils cups printer-driver-cups-pdf \
libqt6sql6-psql postgresql-15 postgresql-client libzint-dev zxing-cpp-tools \
xvfb xauth clang-format dpkg-dev file lintian desktop-file-utils appstream"
missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""
if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y --no-install-recommends $missing
