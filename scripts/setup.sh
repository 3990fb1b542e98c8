#!/usr/bin/env bash
# Installs the Debian packages listed in packages.txt that are not installed yet. Runs on its own
# or sourced by the other scripts; touches apt only when something is missing.
set -euo pipefail

mrv_install_packages() {
    local list
    list="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/packages.txt"
    local missing=()
    local pkg
    while read -r pkg; do
        pkg="${pkg%%#*}"
        pkg="${pkg//[[:space:]]/}"
        [[ -z "$pkg" ]] && continue
        local status
        status="$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)"
        [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
    done <"$list"
    ((${#missing[@]} == 0)) && return 0

    echo "Installing: ${missing[*]}"
    local sudo=()
    if [[ "$(id -u)" != 0 ]]; then sudo=(sudo); fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
    mrv_install_packages
fi
