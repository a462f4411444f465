# Sourced by dev.sh and package.sh: the Debian packages the project needs, and
# install_missing, which installs those not yet there (as root, or through sudo).

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-qpa-plugins
    libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri
    libjpeg62-turbo-dev libgtest-dev
    xvfb xauth xdotool libx11-dev x11-apps imagemagick fonts-dejavu-core fonts-liberation
    clang libclang-rt-14-dev libz-mingw-w64 libasio-dev
    desktop-file-utils appstream help2man librsvg2-bin dpkg-dev file parallel
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
    local missing=() p
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update
        as_root env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}
