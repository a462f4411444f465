#!/usr/bin/env bash
# Builds the Debian packages of Quillet: installs what is missing, configures a hardened
# release build without tests in build-package/, builds it and packs it with CPack. Prints
# the paths of the two packages, quillet (the window and quillet-thumb) and
# quillet-update-server (the update server and its systemd service).
#   bash scripts/package.sh && sudo apt install ./build-package/quillet_*_amd64.deb
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-package"

# The same packages as scripts/dev.sh, so a clean machine gets everything in one go.
# shellcheck source=packages.sh
source "$root/scripts/packages.sh"
install_missing
debian_cmake_flags

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET_TESTS=OFF \
    "${debian[@]}"
cmake --build "$build" --parallel "$(nproc)"
(cd "$build" && rm -f ./*.deb && cpack -G DEB >/dev/null)
for package in quillet quillet-update-server; do
    ls "$build/${package}_"*.deb
done
