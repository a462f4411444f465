#!/usr/bin/env bash
# Start-up of the main window against a bare Qt window showing one caption, with each set of
# fonts a desktop may have: the faces are chosen through a fontconfig file of their folders
# only (the system's aliases still apply). Each set runs the usual start-up bench, whose
# median "quillet / with caption" ratio is what a user with those fonts would see.
#
#   bash bench/startup_fonts.sh [BUILD_DIR] [RUNS] [SET...]
#
# Sets whose folders are not installed are skipped; fonts-urw-base35 (which the printing
# stack brings) and fonts-noto-core make the interesting ones. The package brings Liberation,
# so the sets with it are what users see: neither, URW, Noto.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
runs=${2:-11}
shift $(($# < 2 ? $# : 2))
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

dejavu=/usr/share/fonts/truetype/dejavu
liberation=/usr/share/fonts/truetype/liberation
urw=(/usr/share/fonts/opentype/urw-base35 /usr/share/fonts/type1/urw-base35)
noto=/usr/share/fonts/truetype/noto

declare -A sets=(
    ["dejavu"]="$dejavu"
    ["dejavu+urw"]="$dejavu ${urw[*]}"
    ["dejavu+liberation"]="$dejavu $liberation"
    ["dejavu+liberation+urw"]="$dejavu $liberation ${urw[*]}"
    ["dejavu+noto"]="$dejavu $noto"
    ["dejavu+liberation+noto"]="$dejavu $liberation $noto"
)
chosen=("$@")
[ ${#chosen[@]} -gt 0 ] || chosen=(dejavu dejavu+liberation dejavu+urw dejavu+liberation+urw
    dejavu+noto dejavu+liberation+noto)
for name in "${chosen[@]}"; do
    dirs=""
    for folder in ${sets[$name]}; do
        [ -d "$folder" ] || { dirs=; break; }
        dirs+="<dir>$folder</dir>"
    done
    if [ -z "$dirs" ]; then
        echo "== $name: not installed, skipped"
        continue
    fi
    conf="$work/$name.conf"
    printf '<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "fonts.dtd">\n<fontconfig>%s<cachedir>%s</cachedir><include ignore_missing="yes">/etc/fonts/conf.d</include></fontconfig>\n' \
        "$dirs" "$work/cache-$name" >"$conf"
    FONTCONFIG_FILE="$conf" fc-cache >/dev/null 2>&1 || true
    echo "== $name"
    FONTCONFIG_FILE="$conf" bash "$root/bench/startup.sh" "$build" "$runs" | grep -E "visible|bare window|caption|quillet"
done
