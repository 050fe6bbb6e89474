#!/usr/bin/env bash
# Installs what is missing (Debian 12), builds, then starts Tarnwick or runs every test.
#   tools/build.sh start   build and start the program
#   tools/build.sh test    build and run every test (benchmarks excluded)
#   tools/build.sh bench   build and run the benchmarks
set -euo pipefail

mode=${1:-start}
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TARNWICK_BUILD_DIR:-$top/build}

packages=(g++ make cmake pkg-config qt6-base-dev qt6-webengine-dev qt6-multimedia-dev
          qt6-svg-dev libxml2-dev libxslt1-dev libtidy-dev libxcb1-dev appstream dpkg-dev xvfb xauth dbus x11-utils
          libglib2.0-bin xdotool trayer imagemagick)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        command -v sudo >/dev/null || { echo "Run as root or install sudo to add: ${missing[*]}" >&2; exit 1; }
        sudo=(sudo)
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$(nproc)"

case "$mode" in
start)
    exec "$build/bin/tarnwick"
    ;;
test)
    # Windows under a private X server; each test sets its own platform and sandbox flags.
    exec xvfb-run -a -s "-screen 0 1280x1024x24" \
        ctest --test-dir "$build" -LE benchmark --output-on-failure
    ;;
bench)
    exec ctest --test-dir "$build" -L benchmark --verbose
    ;;
*)
    echo "usage: $0 start|test|bench" >&2
    exit 2
    ;;
esac
