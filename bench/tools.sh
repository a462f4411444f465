# Sourced by the bench scripts: need_tools /path/of/tool:debian-package ... installs the
# packages of the tools that are missing (as root, or through sudo).
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
