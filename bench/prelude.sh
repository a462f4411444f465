# Sourced by the bench scripts once `root` is set: a scratch folder `work` removed at exit,
# `convert`, the real ImageMagick (not a wrapper earlier on PATH), and need_tools
# /path/of/tool:debian-package ..., which installs the packages of the tools that are missing
# (as root, or through sudo).
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert=/usr/bin/convert

need_tools() {
    local tool
    for tool; do
        [ -x "${tool%%:*}" ] && continue
        if [ "$(id -u)" -eq 0 ]; then
            apt-get update && apt-get install -y --no-install-recommends "${tool##*:}"
        else
            sudo apt-get update && sudo apt-get install -y --no-install-recommends "${tool##*:}"
        fi
    done
}
