#!/bin/sh
# Start to first painted frame: the reader opening a book in script mode and
# writing one shot of the viewer, against an empty Qt window started, painted
# once and saved the same way. Prints the fastest wall time of each over N
# runs and their ratio.
#   bench/startup.sh BUILD_DIR [N] [EARLIER_BUILD_DIR]
# With DISPLAY naming an X server that has a window manager (Xvfb -screen 0
# 1920x1080x24 with openbox), also the desktop window coming back maximised
# (inkvista_window_start) against an empty maximised Qt window, each until
# its first frame at that size has reached the X server.
# With EARLIER_BUILD_DIR (another checkout's build, say the commit before a
# change), its reader runs in the same turns, so that both meet the same load.
set -eu
build=${1:?build directory}
runs=${2:-10}
earlier=${3:-}
work=$(mktemp -d)
runtime=
bus_pid=
trap 'rm -rf "$work" ${runtime:+"$runtime"}; [ -z "$bus_pid" ] || kill "$bus_pid"' EXIT
# A desktop session's runtime folder is in memory (/run/user/ID); where the
# caller has none, Qt's stand-in under /tmp would put the reader's lock on
# disk and every start would wait for its flush. Both programs get the same.
if [ -z "${XDG_RUNTIME_DIR:-}" ] && [ -d /dev/shm ]; then
    runtime=$(mktemp -d /dev/shm/inkvista-runtime.XXXXXX)
    export XDG_RUNTIME_DIR="$runtime"
fi
# A desktop session names its bus in the environment. Without one, every
# start would have D-Bus start dbus-launch to find or make one (several
# milliseconds that no person's start pays, at the window's first list or
# show). Both programs get the same bus.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && command -v dbus-daemon >/dev/null; then
    dbus-daemon --session --fork --print-address=1 --print-pid=1 >"$work/bus"
    DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p "$work/bus")
    bus_pid=$(sed -n 2p "$work/bus")
    export DBUS_SESSION_BUS_ADDRESS
fi
mkdir -p "$work/root/My Documents/InkVISTA" "$work/now" "$work/earlier"
"$build/tools/inkvista-tool" demo "$work/root/My Documents/InkVISTA" >/dev/null
book=$(cd "$work/root/My Documents/InkVISTA" && ls | head -n 1)
printf 'open %s\nshot %s/reader.png\n' "$book" "$work" >"$work/start.script"
export QT_QPA_PLATFORM=offscreen
# Runs the commands given by turns, N times each, so that a load that comes
# and goes weighs on all alike; sets best_1, best_2… to the fastest wall
# time of each in microseconds.
race() {
    i=0
    while [ "$i" -lt "$runs" ]; do
        k=1
        for command in "$@"; do
            start=$(date +%s%N)
            eval "$command" >/dev/null 2>&1
            took=$(( ($(date +%s%N) - start) / 1000 ))
            eval "best=\${best_$k:-}"
            if [ -z "$best" ] || [ "$took" -lt "$best" ]; then eval "best_$k=$took"; fi
            k=$((k + 1))
        done
        i=$((i + 1))
    done
}
ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2fx", a / b }'
}
# Prints the race's outcome: $1 and $2 name the reader's and the empty
# window's start. Beside the aim's baseline, a window that draws one line of
# text: what any Qt program pays for its first text, which the empty window
# never draws.
report() {
    echo "reader, $1: $best_1 us"
    echo "empty Qt window, $2: $best_2 us"
    echo "ratio: $(ratio "$best_1" "$best_2")"
    echo "Qt window with one line of text, $2: $best_3 us (reader's ratio to it $(ratio "$best_1" "$best_3"))"
    if [ -n "$earlier" ]; then
        echo "earlier reader, $1: $best_4 us (ratio $(ratio "$best_4" "$best_2"))"
    fi
}
reader() {
    echo "\"$1/src/app/inkvista\" --script \"\$work/start.script\" --root \"\$work/root\" --registry \"\$work/$2/registry.reg\""
}
unset best_1 best_2 best_3 best_4
race "$(reader "$build" now)" '"$build/bench/inkvista_empty_window" "$work/empty.png"' \
    '"$build/bench/inkvista_empty_window" --text "$work/text.png"' \
    ${earlier:+"$(reader "$earlier" earlier)"}
report "book open and first frame" "first frame"
[ -n "${DISPLAY:-}" ] || exit 0
export QT_QPA_PLATFORM=xcb
window() {
    echo "\"$1/bench/inkvista_window_start\" \"\$work/root\" \"\$work/$2/registry.reg\""
}
# The window is left maximised once, as a person leaves it; then it comes
# back so at every start.
eval "$(window "$build" now) --maximise" >/dev/null 2>&1
[ -z "$earlier" ] || eval "$(window "$earlier" earlier) --maximise" >/dev/null 2>&1
unset best_1 best_2 best_3 best_4
race "$(window "$build" now)" '"$build/bench/inkvista_empty_window" --maximised' \
    '"$build/bench/inkvista_empty_window" --text --maximised' \
    ${earlier:+"$(window "$earlier" earlier)"}
report "maximised window, first frame" "maximised, first frame"
