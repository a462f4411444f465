#!/usr/bin/env bash
# Makes the Debian package of a build folder and checks it as a user meets it: the files it
# installs, its version and dependencies, and its programs run from an unpacked copy.
# usage: check_package.sh BUILD_DIR PREFIX VERSION PROGRAM...
set -euo pipefail
build=$1 prefix=${2#/} version=$3
shift 3
programs=("$@")
for tool in cpack dpkg-deb dpkg-shlibdeps convert; do
    command -v "$tool" >/dev/null || {
        echo "$tool is not installed: skipped"
        exit 77
    }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; exit 1; }
deb=$(echo "$work"/quillet_*.deb)
status=0
fail() {
    echo "FAIL: $*"
    status=1
}

[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libjpeg62-turbo libqt6widgets6 libc6; do
    [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||' >"$work/listing"
id=io.github.quillet.Quillet
pages=()
for program in "${programs[@]}"; do
    pages+=("share/man/man1/$program.1.gz")
done
for file in "${programs[@]/#/bin/}" "${pages[@]}" share/applications/$id.desktop \
    share/metainfo/$id.metainfo.xml share/icons/hicolor/scalable/apps/$id.svg \
    share/icons/hicolor/48x48/apps/$id.png; do
    grep -qx "$prefix/$file" "$work/listing" || fail "missing $prefix/$file"
done
extra=$(grep "^$prefix/bin/." "$work/listing" | grep -vxF -f <(printf "$prefix/bin/%s\n" "${programs[@]}") || true)
[ -z "$extra" ] || fail "more programs than expected: $extra"

root="$work/root"
dpkg-deb -x "$deb" "$root"
bin="$root/$prefix/bin"
[ "$("$bin/quillet-thumb" --version)" = "quillet-thumb $version" ] || fail "quillet-thumb --version"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$bin/quillet" --version)" = "quillet $version" ] ||
    fail "quillet --version"
zcat "$root/$prefix/share/man/man1/quillet.1.gz" | grep -q '^\.TH QUILLET' || fail "quillet.1"
convert -size 320x240 gradient:orange-navy "$work/photo.jpg"
"$bin/quillet-thumb" -q -o "$work" "$work/photo.jpg" || fail "quillet-thumb on a photo"
[ "$(identify -format '%wx%h' "$work/photo.jpg.thumb.jpg")" = "160x180" ] || fail "thumbnail size"
[ $status -eq 0 ] && echo "package $(basename "$deb") is complete"
exit $status
