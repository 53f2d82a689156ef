# Shared set-up for tools/play, tools/test and tools/fuzz: installs the Debian
# packages listed in the given files (only those missing) and finds the tree.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
    local wanted=() missing=()
    for list in "$@"; do
        while read -r pkg; do
            [ -n "$pkg" ] && wanted+=("$pkg")
        done < <(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$ROOT/tools/$list")
    done
    for pkg in "${wanted[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}

jobs_count() {
    nproc 2>/dev/null || echo 2
}

# Configures (once) and builds one build tree: configure_and_build DIR [cmake args...]
configure_and_build() {
    local dir="$1"; shift
    local launcher=()
    if command -v ccache >/dev/null 2>&1; then
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S "$ROOT" -B "$dir" -G Ninja "${launcher[@]}" "$@"
    cmake --build "$dir" -j "$(jobs_count)"
}
