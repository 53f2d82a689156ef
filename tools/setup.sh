# Shared set-up for tools/play, tools/test, tools/coverage and tools/fuzz:
# installs the Debian packages listed in the given files (only those missing)
# and finds the tree.
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

# Parallel jobs for builds and test runs: every core, or OM_JOBS when the
# machine is shared.
jobs_count() {
    if [ -n "${OM_JOBS:-}" ]; then echo "$OM_JOBS"; else nproc 2>/dev/null || echo 2; fi
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

# What every run of the suite needs besides its sanitizer options: silent
# audio and software GL under the virtual display.
export_test_environment() {
    export ALSOFT_DRIVERS=null
    export SDL_AUDIODRIVER=dummy
    export LIBGL_ALWAYS_SOFTWARE=1
    export GALLIUM_DRIVER=llvmpipe
    # llvmpipe draws on the calling thread: no worker threads start for each
    # context, which keeps a test's drawing the same on a busy machine.
    export LP_NUM_THREADS=0
    # Each test builds its shaders afresh: the suite writes no shader cache
    # under the home folder, and no cache thread runs beside the tests.
    export MESA_SHADER_CACHE_DISABLE=true
    # Without a session bus, SDL's D-Bus connection would fork dbus-launch
    # under the virtual display for every window; an address that cannot
    # exist makes it give up at once instead.
    export DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent/om-no-session-bus"
}
