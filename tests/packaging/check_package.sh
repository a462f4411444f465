#!/usr/bin/env bash
# Makes the Debian packages of a build folder and checks them: lintian-clean, hardened
# programs, each package's files and dependencies, manual page sections, and the programs
# run from an unpacked copy.
# usage: check_package.sh BUILD_DIR PREFIX VERSION HARDENED(ON|OFF) PROGRAM...
set -euo pipefail
build=$1 prefix=${2#/} version=$3 hardened=$4
shift 4
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
status=0
fail() {
    echo "FAIL: $*"
    status=1
}
has_server=false
[[ " ${programs[*]} " == *" quillet-update-server "* ]] && has_server=true
packages=(quillet)
$has_server && packages+=(quillet-update-server)

declare -A deb
for package in "${packages[@]}"; do
    deb[$package]=$(echo "$work/${package}_${version}_"*.deb)
    [ -f "${deb[$package]}" ] || { fail "no package $package"; continue; }
    dpkg-deb -c "${deb[$package]}" | awk '{print $6}' | sed 's|^\./||; s|/$||' >"$work/$package.files"
    dpkg-deb -x "${deb[$package]}" "$work/root"
done
[ $status -eq 0 ] || exit 1

# Debian's places for a prefix of /usr; under another prefix, its own.
etc=$prefix/etc var=$prefix/var units=$prefix/lib/systemd/system
[ "$prefix" = usr ] && etc=etc var=var units=lib/systemd/system

# package  file it must hold ("!" before it: must not hold)
id=io.github.quillet.Quillet share=$prefix/share
icons=$share/icons/hicolor
expected=("quillet $share/applications/$id.desktop" "quillet $share/metainfo/$id.metainfo.xml"
    "quillet $icons/scalable/apps/$id.svg" "quillet $icons/48x48/apps/$id.png")
for package in "${packages[@]}"; do
    expected+=("$package $share/doc/$package/copyright" "$package $share/doc/$package/changelog.gz")
done
for program in "${programs[@]}"; do
    own=quillet
    [ "$program" = quillet-update-server ] && own=$program
    for package in "${packages[@]}"; do
        [ "$package" = "$own" ] && not= || not=!
        expected+=("$package $not$prefix/bin/$program" "$package $not$share/man/man1/$program.1.gz")
    done
done
$has_server && expected+=("quillet-update-server $units/quillet-update-server.service"
    "quillet-update-server $etc/default/quillet-update-server"
    "quillet-update-server $var/lib/quillet-update-server")
for row in "${expected[@]}"; do
    read -r package file <<<"$row"
    if [[ $file == !* ]]; then
        ! grep -qx "${file#!}" "$work/$package.files" || fail "$package holds ${file#!}"
    else
        grep -qx "$file" "$work/$package.files" || fail "$package lacks $file"
    fi
done

# package  field  what it must contain ("!" before it: must not contain)
fields=("quillet Depends libjpeg62-turbo" "quillet Depends libc6" "quillet Depends libqt6widgets6"
    "quillet Depends fonts-liberation" "quillet Depends qt6-wayland")
for package in "${packages[@]}"; do fields+=("$package Version $version"); done
$has_server && fields+=("quillet-update-server Depends libc6"
    "quillet-update-server Depends !libqt6"
    "quillet-update-server Conffiles /$etc/default/quillet-update-server")
for row in "${fields[@]}"; do
    read -r package field want <<<"$row"
    value=$(dpkg-deb -f "${deb[$package]}" "$field" 2>/dev/null || true)
    [ "$field" = Conffiles ] && value=$(dpkg-deb -I "${deb[$package]}" conffiles 2>/dev/null || true)
    if [[ $want == !* ]]; then
        [[ $value != *"${want#!}"* ]] || fail "$package $field has ${want#!}: $value"
    else
        [[ $value == *"$want"* ]] || fail "$package $field lacks $want: $value"
    fi
done
if $has_server; then
    # Installed, not started or enabled: no maintainer script touches the service.
    ! dpkg-deb -I "${deb[quillet-update-server]}" | grep -qE '^ +[0-9]+ bytes, .* (postinst|prerm)' ||
        fail "quillet-update-server has maintainer scripts"
    unit="$work/root/$units/quillet-update-server.service"
    for setting in DynamicUser=yes ProtectSystem=strict ProtectHome=yes NoNewPrivileges=yes \
        "EnvironmentFile=/$etc/default/quillet-update-server" "ExecStart=/$prefix/bin/.*" \
        "BindReadOnlyPaths=/$var/lib/quillet-update-server" 'CapabilityBoundingSet='; do
        grep -qx "$setting" "$unit" || fail "the service lacks $setting"
    done
fi

for program in "${programs[@]}"; do
    page=$(zcat "$work/root/$prefix/share/man/man1/$program.1.gz")
    for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" FILES ENVIRONMENT EXAMPLES; do
        grep -q "^\.SH \"\?$section\"\?$" <<<"$page" || fail "$program.1 lacks $section"
    done
done

if [ "$prefix" != usr ]; then
    echo "the prefix /$prefix is not Debian's: lintian is skipped"
elif command -v lintian >/dev/null; then
    for package in "${packages[@]}"; do
        lintian --fail-on error,warning --display-level '>=warning' "${deb[$package]}" \
            >"$work/lintian.log" 2>&1 || { fail "lintian on $package:"; cat "$work/lintian.log"; }
    done
else
    echo "lintian is not installed: its check is skipped"
fi
if [ "$hardened" != ON ]; then
    echo "a build without Debian's build flags: the hardening check is skipped"
elif command -v hardening-check >/dev/null; then
    for program in "${programs[@]}"; do
        hardening-check "$work/root/$prefix/bin/$program" >"$work/hardening.log" 2>&1 ||
            { fail "$program is not hardened:"; cat "$work/hardening.log"; }
    done
else
    echo "hardening-check (devscripts) is not installed: its check is skipped"
fi

bin="$work/root/$prefix/bin"
for program in "${programs[@]}"; do
    [ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$bin/$program" --version)" = "$program $version" ] ||
        fail "$program --version"
done
convert -size 320x240 gradient:orange-navy "$work/photo.jpg"
"$bin/quillet-thumb" -q -o "$work" "$work/photo.jpg" || fail "quillet-thumb on a photo"
[ "$(identify -format '%wx%h' "$work/photo.jpg.thumb.jpg")" = "160x180" ] || fail "thumbnail size"
[ $status -eq 0 ] && echo "packages ${packages[*]} are complete"
exit $status
