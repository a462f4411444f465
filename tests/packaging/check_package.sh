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

# package  "files" or a control field  what it must hold ("!" before it: must not)
id=io.github.quillet.Quillet share=$prefix/share
icons=$share/icons/hicolor
expected=("quillet files $share/applications/$id.desktop"
    "quillet files $share/metainfo/$id.metainfo.xml" "quillet files $icons/scalable/apps/$id.svg"
    "quillet files $icons/48x48/apps/$id.png"
    "quillet Depends libjpeg62-turbo" "quillet Depends libc6" "quillet Depends libqt6widgets6"
    "quillet Depends fonts-liberation" "quillet Depends qt6-wayland")
for package in "${packages[@]}"; do
    expected+=("$package Version $version" "$package files $share/doc/$package/copyright"
        "$package files $share/doc/$package/changelog.gz")
done
for program in "${programs[@]}"; do
    own=quillet
    [ "$program" = quillet-update-server ] && own=$program
    for package in "${packages[@]}"; do
        [ "$package" = "$own" ] && not= || not=!
        expected+=("$package files $not$prefix/bin/$program"
            "$package files $not$share/man/man1/$program.1.gz")
    done
done
server=quillet-update-server
$has_server && expected+=("$server files $units/$server.service"
    "$server files $etc/default/$server" "$server files $var/lib/$server" "$server Depends libc6"
    "$server Depends !libqt6" "$server Conffiles /$etc/default/$server")
for row in "${expected[@]}"; do
    read -r package field want <<<"$row"
    case $field in
    files) value=$(<"$work/$package.files") ;;
    Conffiles) value=$(dpkg-deb -I "${deb[$package]}" conffiles 2>/dev/null || true) ;;
    *) value=$(dpkg-deb -f "${deb[$package]}" "$field" 2>/dev/null || true) ;;
    esac
    [ "$field" = files ] && whole=-x || whole=
    grep -qF $whole -- "${want#!}" <<<"$value" && holds=yes || holds=no
    [[ $want == !* ]] && wanted=no || wanted=yes
    [ $holds = $wanted ] || fail "$package $field: $want (held: $holds)"
done
if $has_server; then
    # Installed, not started or enabled: no maintainer script touches the service.
    ! dpkg-deb -I "${deb[$server]}" | grep -qE '^ +[0-9]+ bytes, .* (postinst|prerm)' ||
        fail "$server has maintainer scripts"
    unit="$work/root/$units/$server.service"
    for setting in DynamicUser=yes ProtectSystem=strict ProtectHome=yes NoNewPrivileges=yes \
        "EnvironmentFile=/$etc/default/$server" "ExecStart=/$prefix/bin/.*" \
        "BindReadOnlyPaths=/$var/lib/$server" 'CapabilityBoundingSet='; do
        grep -qx "$setting" "$unit" || fail "the service lacks $setting"
    done
fi

for program in "${programs[@]}"; do
    page=$(zcat "$work/root/$prefix/share/man/man1/$program.1.gz")
    for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" FILES ENVIRONMENT EXAMPLES; do
        grep -q "^\.SH \"\?$section\"\?$" <<<"$page" || fail "$program.1 lacks $section"
    done
done

skipped() { echo "$*: its check is skipped"; }
if [ "$prefix" != usr ]; then
    skipped "lintian: the prefix /$prefix is not Debian's"
elif ! command -v lintian >/dev/null; then
    skipped "lintian is not installed"
else
    for package in "${packages[@]}"; do
        lintian --fail-on error,warning --display-level '>=warning' "${deb[$package]}" \
            >"$work/lintian.log" 2>&1 || { fail "lintian on $package:"; cat "$work/lintian.log"; }
    done
fi
if [ "$hardened" != ON ] || ! command -v hardening-check >/dev/null; then
    skipped "hardening: without Debian's build flags or hardening-check (devscripts)"
else
    for program in "${programs[@]}"; do
        hardening-check "$work/root/$prefix/bin/$program" >"$work/hardening.log" 2>&1 ||
            { fail "$program is not hardened:"; cat "$work/hardening.log"; }
    done
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
