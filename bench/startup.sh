#!/bin/sh
# Start to first painted frame: the reader opening a book in script mode and
# writing one shot of the viewer, against an empty Qt window started, painted
# once and saved the same way. Prints the fastest, first-quartile and median
# wall times of each over N runs and their ratios.
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
# and goes weighs on all alike; keeps the wall time of each run of the k-th
# command, in microseconds, in $work/times_k.
race() {
    k=1
    for command in "$@"; do
        : >"$work/times_$k"
        k=$((k + 1))
    done
    i=0
    while [ "$i" -lt "$runs" ]; do
        k=1
        for command in "$@"; do
            start=$(date +%s%N)
            eval "$command" >/dev/null 2>&1
            echo $(( ($(date +%s%N) - start) / 1000 )) >>"$work/times_$k"
            k=$((k + 1))
        done
        i=$((i + 1))
    done
}
# The fastest, first-quartile and median times of the k-th command: the
# fastest alone moves with the machine's load more than the others.
quartiles() {
    sort -n "$work/times_$1" | awk '{ t[NR] = $1 }
        END { printf "%d %d %d", t[1], t[int((NR + 3) / 4)], t[int((NR + 1) / 2)] }'
}
# "A / B / C us" for the k-th command.
shown() {
    quartiles "$1" | awk '{ printf "%d / %d / %d us", $1, $2, $3 }'
}
# The k-th command's times divided by the l-th's, each by each.
ratio() {
    printf '%s %s\n' "$(quartiles "$1")" "$(quartiles "$2")" |
        awk '{ printf "%.2fx / %.2fx / %.2fx", $1 / $4, $2 / $5, $3 / $6 }'
}
# Prints the race's outcome (fastest / first quartile / median): $1 and $2
# name the reader's and the empty window's start. Beside the aim's
# baseline, a window that draws one line of text: what any Qt program pays
# for its first text, which the empty window never draws.
report() {
    echo "fastest / first quartile / median of $runs runs each:"
    echo "reader, $1: $(shown 1)"
    echo "empty Qt window, $2: $(shown 2)"
    echo "ratio: $(ratio 1 2)"
    echo "Qt window with one line of text, $2: $(shown 3) (reader's ratio to it $(ratio 1 3))"
    if [ -n "$earlier" ]; then
        echo "earlier reader, $1: $(shown 4) (ratio $(ratio 4 2))"
    fi
}
reader() {
    echo "\"$1/src/app/inkvista\" --script \"\$work/start.script\" --root \"\$work/root\" --registry \"\$work/$2/registry.reg\""
}
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
race "$(window "$build" now)" '"$build/bench/inkvista_empty_window" --maximised' \
    '"$build/bench/inkvista_empty_window" --text --maximised' \
    ${earlier:+"$(window "$earlier" earlier)"}
report "maximised window, first frame" "maximised, first frame"
