#!/bin/sh
# Start to first painted frame: the reader opening a book in script mode and
# writing one shot of the viewer, against an empty Qt window started, painted
# once and saved the same way. Prints the fastest wall time of each over N
# runs and their ratio.
#   bench/startup.sh BUILD_DIR [N]
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
fastest() {
    best=
    i=0
    while [ "$i" -lt "$runs" ]; do
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1
        took=$(( ($(date +%s%N) - start) / 1000 ))
        if [ -z "$best" ] || [ "$took" -lt "$best" ]; then best=$took; fi
        i=$((i + 1))
    done
    echo "$best"
}
reader=$(fastest "$build/src/app/inkvista" --script "$work/start.script" \
    --root "$work/root" --registry "$work/registry.reg")
empty=$(fastest "$build/bench/inkvista_empty_window" "$work/empty.png")
echo "reader, book open and first frame: $reader us"
echo "empty Qt window, first frame:      $empty us"
awk -v a="$reader" -v b="$empty" 'BEGIN { printf "ratio: %.2fx\n", a / b }'
