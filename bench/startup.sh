#!/bin/sh
# Start to first painted frame: the reader opening a book in script mode and
# writing one shot of the viewer, against an empty Qt window started, painted
# once and saved the same way. Prints the fastest wall time of each over N
# runs and their ratio.
#   bench/startup.sh BUILD_DIR [N]
# With DISPLAY naming an X server that has a window manager (Xvfb -screen 0
# 1920x1080x24 with openbox), also the desktop window coming back maximised
# (inkvista_window_start) against an empty maximised Qt window, each until
# its first frame at that size has reached the X server.
set -eu
build=${1:?build directory}
runs=${2:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/root/My Documents/InkVISTA"
"$build/tools/inkvista-tool" demo "$work/root/My Documents/InkVISTA" >/dev/null
book=$(cd "$work/root/My Documents/InkVISTA" && ls | head -n 1)
printf 'open %s\nshot %s/reader.png\n' "$book" "$work" >"$work/start.script"
export QT_QPA_PLATFORM=offscreen
# Runs the command of the variable $1 and the one of $2 by turns, N times
# each, so that a load that comes and goes weighs on both alike; prints the
# fastest wall time of each in microseconds.
race() {
    best_a=
    best_b=
    i=0
    while [ "$i" -lt "$runs" ]; do
        for side in a b; do
            if [ "$side" = a ]; then command=$1; else command=$2; fi
            start=$(date +%s%N)
            eval "$command" >/dev/null 2>&1
            took=$(( ($(date +%s%N) - start) / 1000 ))
            eval "best=\${best_$side}"
            if [ -z "$best" ] || [ "$took" -lt "$best" ]; then eval "best_$side=$took"; fi
        done
        i=$((i + 1))
    done
    echo "$best_a $best_b"
}
ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { printf "ratio: %.2fx\n", a / b }'
}
set -- $(race '"$build/src/app/inkvista" --script "$work/start.script" --root "$work/root" --registry "$work/registry.reg"' \
    '"$build/bench/inkvista_empty_window" "$work/empty.png"')
echo "reader, book open and first frame: $1 us"
echo "empty Qt window, first frame:      $2 us"
ratio "$1" "$2"
[ -n "${DISPLAY:-}" ] || exit 0
export QT_QPA_PLATFORM=xcb
# The window is left maximised once, as a person leaves it; then it comes
# back so at every start.
"$build/bench/inkvista_window_start" "$work/root" "$work/registry.reg" --maximise >/dev/null 2>&1
set -- $(race '"$build/bench/inkvista_window_start" "$work/root" "$work/registry.reg"' \
    '"$build/bench/inkvista_empty_window" --maximised')
echo "reader, maximised window, first frame:   $1 us"
echo "empty Qt window, maximised, first frame: $2 us"
ratio "$1" "$2"
