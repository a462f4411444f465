#!/usr/bin/env bash
# Makes the Debian packages of a build folder and checks them: lintian, hardening, files, fields,
# manual pages, and the programs run from an unpacked copy.
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
server=quillet-update-server dask=quillet-dask packages=(quillet)
for own in $server $dask; do # programs with a package of their own
    [[ " ${programs[*]} " == *" $own "* ]] && packages+=("$own")
done

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
    "quillet Depends fonts-liberation" "quillet Depends qt6-wayland" "quillet Depends libheif1"
    "quillet Depends libde265-0" "quillet Depends libwebp7" "quillet Depends libpng16-16"
    "quillet Depends libtiff6" "quillet Depends libavif15" "quillet Depends libwebpmux3"
    "quillet Depends liblcms2-2"
    "quillet files $share/kio/servicemenus/$id.desktop"
    "quillet files $share/nautilus-python/extensions/quillet-nautilus.py"
    "quillet Suggests python3-nautilus" "$dask Depends python3-distributed"
    "$dask Architecture all")
for package in "${packages[@]}"; do
    expected+=("$package Version $version" "$package files $share/doc/$package/copyright"
        "$package files $share/doc/$package/changelog.gz")
    for program in "${programs[@]}"; do # each program in its own package only
        case $program in $server | $dask) own=$program ;; *) own=quillet ;; esac
        [ "$package" = "$own" ] && not= || not=!
        expected+=("$package files $not$prefix/bin/$program"
            "$package files $not$share/man/man1/$program.1.gz")
    done
done
if [[ " ${packages[*]} " == *" $server "* ]]; then
    expected+=("$server files $units/$server.service" "$server files $etc/default/$server"
        "$server files $var/lib/$server" "$server Depends libc6" "$server Depends !libqt6"
        "$server Conffiles /$etc/default/$server")
    # The maintainer scripts, run against stand-ins for systemd's tools that log their calls,
    # as on a system running systemd; STATE "enabled" answers the helper's state questions yes.
    # script;arguments;STATE;a call it makes ("!": no call holding that)
    unit=$server.service
    scripts=("postinst;configure;;deb-systemd-helper update-state $unit"
        "postinst;configure;;!deb-systemd-helper enable" "postinst;configure;;!deb-systemd-invoke"
        "postinst;configure 0.9;enabled;deb-systemd-helper enable $unit"
        "postinst;configure 0.9;;deb-systemd-invoke try-restart $unit"
        "postinst;configure;;systemctl --system daemon-reload"
        "prerm;remove;;deb-systemd-invoke stop $unit" "prerm;upgrade 1.1;;!deb-systemd-invoke"
        "postrm;remove;;systemctl --system daemon-reload"
        "postrm;purge;;deb-systemd-helper purge $unit")
    dpkg-deb -e "${deb[$server]}" "$work/control"
    mkdir -p "$work/fake/systemd"
    for tool in deb-systemd-helper deb-systemd-invoke systemctl; do
        # shellcheck disable=SC2016 # expanded by the stand-in
        printf '#!/bin/sh\necho "%s $*" >>"%s"\n%s\n' "$tool" "$work/calls" \
            'case " $* " in *" debian-installed "* | *" was-enabled "*) [ "$STATE" = enabled ] ;; esac' \
            >"$work/fake/$tool"
        chmod +x "$work/fake/$tool"
    done
    for row in "${scripts[@]}"; do
        IFS=';' read -r script arguments state want <<<"$row"
        [ -x "$work/control/$script" ] || { fail "$server has no $script"; continue; }
        sed "s|/run/systemd/system|$work/fake/systemd|g" "$work/control/$script" >"$work/script"
        : >"$work/calls"
        # shellcheck disable=SC2086 # the arguments are words
        STATE=$state PATH="$work/fake:$PATH" sh "$work/script" $arguments ||
            fail "$script $arguments failed"
        grep -qF -- "${want#!}" "$work/calls" && holds=yes || holds=no
        [[ $want == !* ]] && wanted=no || wanted=yes
        [ "$holds" = "$wanted" ] || fail "$script $arguments: $want (held: $holds)"
    done
    # Debian's own deb-systemd-helper on the unpacked packages, as dpkg runs the scripts:
    # installing enables nothing, and a purge removes the link that "systemctl enable" made.
    helper=$(command -v deb-systemd-helper || true)
    if [ "$prefix" = usr ] && [ -n "$helper" ]; then
        mkdir -p "$work/real" && ln -s "$helper" "$work/real/deb-systemd-helper"
        link=$work/root/etc/systemd/system/multi-user.target.wants/$unit
        maintain() { # SCRIPT ARGUMENT...
            sed "s|/run/systemd/system|$work/fake/systemd|g" "$work/control/$1" >"$work/script"
            DPKG_ROOT=$work/root DPKG_MAINTSCRIPT_PACKAGE=$server \
                PATH="$work/real:$work/fake:$PATH" sh "$work/script" "${@:2}"
        }
        maintain postinst configure
        [ ! -L "$link" ] || fail "installing enabled $unit"
        mkdir -p "${link%/*}" && ln -s "/$units/$unit" "$link"
        maintain prerm remove && maintain postrm remove && maintain postrm purge
        [ ! -L "$link" ] || fail "a purge left ${link#"$work/root"}"
    fi
    for setting in DynamicUser=yes ProtectSystem=strict ProtectHome=yes NoNewPrivileges=yes \
        "EnvironmentFile=/$etc/default/$server" "ExecStart=/$prefix/bin/.*" \
        "BindReadOnlyPaths=/$var/lib/$server" 'CapabilityBoundingSet='; do
        grep -qx "$setting" "$work/root/$units/$server.service" || fail "service lacks $setting"
    done
fi
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

if [ "$prefix" != usr ] || ! command -v lintian >/dev/null; then
    echo "lintian: skipped (not installed, or the prefix /$prefix is not Debian's)"
else
    for package in "${packages[@]}"; do
        lintian --fail-on error,warning --display-level '>=warning' "${deb[$package]}" \
            >"$work/lintian.log" 2>&1 || { fail "lintian on $package:"; cat "$work/lintian.log"; }
    done
fi
[ "$hardened" = ON ] && command -v hardening-check >/dev/null || hardened=OFF
[ "$hardened" = ON ] || echo "hardening: skipped (without Debian's build flags or hardening-check)"
bin="$work/root/$prefix/bin"
for program in "${programs[@]}"; do
    page=$(zcat "$work/root/$share/man/man1/$program.1.gz")
    for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" FILES ENVIRONMENT EXAMPLES; do
        grep -q "^\.SH \"\?$section\"\?$" <<<"$page" || fail "$program.1 lacks $section"
    done
    [ "$hardened" != ON ] || [ "$(head -c4 "$bin/$program")" != $'\x7fELF' ] ||
        hardening-check "$bin/$program" >"$work/hardening.log" 2>&1 ||
        { fail "$program is not hardened:"; cat "$work/hardening.log"; }
    [ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$bin/$program" --version)" = "$program $version" ] ||
        fail "$program --version"
done
convert -size 320x240 gradient:orange-navy "$work/photo.jpg"
"$bin/quillet-thumb" -q -o "$work" "$work/photo.jpg" || fail "quillet-thumb on a photo"
[ "$(identify -format '%wx%h' "$work/photo.jpg.thumb.jpg")" = "160x180" ] || fail "thumbnail size"
# The other formats come from the format module, found where the package put it.
module=$(find "$work/root" -name quillet-formats.so)
[ -n "$module" ] || fail "no format module"
[ "$hardened" != ON ] || [ -z "$module" ] || hardening-check "$module" >"$work/hardening.log" 2>&1 ||
    { fail "the format module is not hardened:"; cat "$work/hardening.log"; }
convert -size 320x240 gradient:orange-navy "$work/photo.png"
"$bin/quillet-thumb" -q --format webp -o "$work" "$work/photo.png" || fail "quillet-thumb on a PNG"
[ "$(identify -format '%wx%h' "$work/photo.png.thumb.webp")" = "160x180" ] || fail "WebP thumbnail"
[ $status -eq 0 ] && echo "packages ${packages[*]} are complete"
exit $status
