# Sourced by dev.sh and package.sh: the Debian packages the project needs, install_missing,
# which installs those not yet there (as root, or through sudo), and the hardening flags.

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-qpa-plugins
    libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri
    libjpeg62-turbo-dev libgtest-dev libwebp-dev libavif-dev libpng-dev liblcms2-dev
    libheif-dev libde265-dev libtiff-dev
    libheif-examples webp libavif-bin libvips-tools libjpeg-turbo-progs
    xvfb xauth xdotool libx11-dev x11-apps x11-utils imagemagick fonts-dejavu-core fonts-liberation
    clang libclang-rt-14-dev libz-mingw-w64 libasio-dev
    desktop-file-utils appstream help2man librsvg2-bin dpkg-dev file parallel
    lintian devscripts weston qt6-wayland python3-distributed dbus at-spi2-core python3-pyatspi
)

# A build as a Debian package is built, as CMake arguments in the array `debian`: the prefix
# /usr and Debian's build flags (stack protector, fortify, full RELRO, bind-now). Bookworm's
# dpkg-buildflags leaves out stack-clash and control-flow protection: they are added here.
# Every object of ours is built for control-flow protection, but bookworm's C start files
# (crt1.o, crti.o) carry no such note, so the linker would drop the program's IBT/SHSTK
# marking; -z ibt -z shstk keep it. The format module is linked as the programs are.
debian_cmake_flags() {
    local extra
    flag() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
    extra="$(flag CPPFLAGS) -fstack-clash-protection -fcf-protection"
    debian=(
        -DCMAKE_INSTALL_PREFIX=/usr
        "-DCMAKE_C_FLAGS=$(flag CFLAGS) $extra"
        "-DCMAKE_CXX_FLAGS=$(flag CXXFLAGS) $extra"
        "-DCMAKE_EXE_LINKER_FLAGS=$(flag LDFLAGS) -Wl,-z,ibt -Wl,-z,shstk"
        "-DCMAKE_MODULE_LINKER_FLAGS=$(flag LDFLAGS) -Wl,-z,ibt -Wl,-z,shstk"
    )
}

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
