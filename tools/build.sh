#!/usr/bin/env bash
# Installs what is missing (Debian 12), builds, then starts Tarnwick or runs every test.
#   tools/build.sh start   build and start the program
#   tools/build.sh test    build and run every test (benchmarks excluded), then all of them
#                          again built with AddressSanitizer and UBSan (what CI runs)
#   tools/build.sh check   build and run every test once, without the sanitizer pass
#   tools/build.sh sanitize  the sanitizer pass alone
#   tools/build.sh bench   build and run the benchmarks
set -euo pipefail

mode=${1:-start}
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TARNWICK_BUILD_DIR:-$top/build}

packages=(g++ make cmake pkg-config qt6-base-dev qt6-webengine-dev qt6-multimedia-dev
          qt6-svg-dev libxml2-dev libxslt1-dev libtidy-dev libxcb1-dev appstream dpkg-dev xvfb xauth dbus x11-utils
          libglib2.0-bin xdotool trayer imagemagick clang-format qt6-tools-dev qt6-l10n-tools)

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

# Every source file as .clang-format lays it out; the files that differ are named.
format_check() {
    local files out
    mapfile -t files < <(cd "$top" && find app bench cli fuzz loader model platform skin ticker timer tools tests ui \
        \( -name '*.cpp' -o -name '*.h' \) | sort)
    if ! out=$(cd "$top" && clang-format --dry-run --Werror "${files[@]}" 2>&1); then
        grep -o '^[^ :]*\.\(cpp\|h\):[0-9]*:[0-9]*: error' <<<"$out" | cut -d: -f1 | sort -u \
            | sed 's/^/not formatted: /' >&2 || echo "$out" >&2
        echo "Run clang-format -i on the files above." >&2
        return 1
    fi
}

configure_and_build() { # build folder, extra cmake options...
    local folder=$1
    shift
    cmake -S "$top" -B "$folder" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$folder" -j "$(nproc)"
}

run_tests() { # build folder, labels to leave out, tests at a time
    # Windows under a private X server; each test sets its own platform and sandbox flags (the
    # user-road suite starts an X server of its own).
    xvfb-run -a -s "-screen 0 1280x1024x24" \
        ctest --test-dir "$1" -LE "$2" -j "$3" --output-on-failure
}

# The whole suite once more, built with AddressSanitizer and UBSan into a folder of its own. Every
# program the tests start (tarnwick, tarnloader, tarnbank) is instrumented too; their reports go
# to files, and any report fails the pass.
sanitize() {
    local folder=${TARNWICK_SANITIZE_BUILD_DIR:-$top/build-sanitize}
    # Light optimisation and line tables only: the instrumented build compiles quicker, and
    # reports still name files and lines.
    configure_and_build "$folder" -DTARNWICK_SANITIZE=ON -DTARNWICK_BENCH=OFF \
        -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1"
    local reports=$folder/sanitizer-reports
    rm -rf "$reports"
    mkdir -p "$reports"
    # Chromium inside Qt WebEngine trips the new/delete size check in its own code (not ours),
    # so that one check is off; every other one stays on.
    export ASAN_OPTIONS="log_path=$reports/asan:halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:new_delete_type_mismatch=0"
    export LSAN_OPTIONS="suppressions=$top/tools/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="log_path=$reports/ubsan:print_stacktrace=1:halt_on_error=1"
    local status=0
    # One test per core: instrumented, the window tests keep a core busy.
    run_tests "$folder" "benchmark|package|nosanitize" "$(nproc)" || status=$?
    if compgen -G "$reports/*" >/dev/null; then
        echo "Sanitizer reports:" >&2
        cat "$reports"/* >&2
        status=1
    fi
    return $status
}

# The ordinary pass runs two tests per core: most of their time is spent waiting (for a
# server's answer, a window on the X server, a time-out), not computing.
ordinary_jobs=$(($(nproc) * 2))

case "$mode" in
start)
    configure_and_build "$build"
    exec "$build/bin/tarnwick"
    ;;
test)
    # The layout check, every test, then the sanitizer pass: what CI runs.
    format_check
    configure_and_build "$build"
    run_tests "$build" benchmark "$ordinary_jobs"
    sanitize
    ;;
check)
    # The layout check and the ordinary pass alone, for a quicker round while working.
    format_check
    configure_and_build "$build"
    run_tests "$build" benchmark "$ordinary_jobs"
    ;;
sanitize)
    sanitize
    ;;
bench)
    configure_and_build "$build"
    exec ctest --test-dir "$build" -L benchmark --verbose
    ;;
*)
    echo "usage: $0 start|test|check|sanitize|bench" >&2
    exit 2
    ;;
esac
