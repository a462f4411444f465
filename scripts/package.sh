#!/usr/bin/env bash
# Builds the Debian package of Quillet: installs what is missing, configures a release build
# without tests in build-package/, builds it and packs it with CPack. Prints the package's path.
#   bash scripts/package.sh && sudo apt install ./build-package/quillet_*_amd64.deb
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-package"

# The same packages as scripts/dev.sh, so a clean machine gets everything in one go.
# shellcheck source=packages.sh
source "$root/scripts/packages.sh"
install_missing

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET_TESTS=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr
cmake --build "$build" --parallel "$(nproc)"
(cd "$build" && cpack -G DEB)
echo "$(ls -t "$build"/quillet_*.deb | head -n1)"
