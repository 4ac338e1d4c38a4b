#!/usr/bin/env bash
# Installs the Debian packages that Vornalex needs (when missing), then configures and builds it.
set -euo pipefail
cd "$(dirname "$0")"

packages=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev qt6-base-dev-tools libqt6gui6 unixodbc-dev tdsodbc libsqlite3-dev
          freetds-bin clang-format binutils clang libclang-rt-dev llvm
          qt6-translations-l10n xdg-utils desktop-file-utils python3-gi gir1.2-glib-2.0
          python3-xdg time)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# CMake 3.25 misses the .moc include of a source file added to an existing build folder until its
# automoc stamp goes; automoc itself still skips what has not changed.
find build -path '*_autogen/timestamp' -delete
cmake --build build --parallel "$(nproc)"
