#!/usr/bin/env bash
# The converter against ImageMagick, measured in the same run on the same
# pictures: 24 generated comic pages of 1200 x 1800 and more (bench/pack/
# ComicPages.cpp). Prints
#   - pictures per second of `pack` with --jobs 1 and with every core, and
#     of ImageMagick's convert doing the same resize (Lanczos to 320 wide)
#     and 8-level Floyd-Steinberg remap (or -colors 32), one picture at a
#     time as a conversion script runs it; the fastest of RUNS runs each;
#   - the peak memory (resident set) of pack;
#   - the book sizes: the default book against pack --original;
#   - with a quality script (page_quality.py: SSIM against the pictures
#     resized by Lanczos, plain and blurred by a Gaussian of sigma 1, and the
#     shift of the page means), the quality of grey and colour books next to
#     ImageMagick's, and of a book resized in linear light.
# docs/performance.md keeps the figures.
#
#   bench/pack.sh BUILD_DIR [QUALITY_SCRIPT] [RUNS]
#
# Needs the inkvista-tool and inkvista_comic_pages targets built, Debian's
# imagemagick and time, and for the quality python3-numpy, python3-pil and
# python3-skimage.
set -euo pipefail
build=${1:?build directory}
quality=${2:-}
runs=${3:-3}
tool=$build/tools/inkvista-tool
pages=$build/bench/inkvista_comic_pages
convert=/usr/bin/convert
for program in "$tool" "$pages" "$convert" /usr/bin/time; do
    [ -x "$program" ] || { echo "bench/pack.sh: needs $program" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$pages" "$work/pictures" >/dev/null 2>&1
pictures=("$work/pictures"/*)
count=${#pictures[@]}
cores=$(nproc)
"$convert" -size 8x1 xc:black -fx 'round(i*255/7)/255' -depth 8 -type Grayscale "$work/ramp.png"

# Prints the fastest wall time in seconds of RUNS runs of the command.
fastest() {
    local best= i start took
    for ((i = 0; i < runs; i++)); do
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1
        took=$(($(date +%s%N) - start))
        if [ -z "$best" ] || [ "$took" -lt "$best" ]; then best=$took; fi
    done
    awk -v ns="$best" 'BEGIN { printf "%.3f", ns / 1e9 }'
}

magick_grey() {
    local i=0 p
    for p in "${pictures[@]}"; do
        "$convert" "$p" -grayscale Rec601Luma -filter Lanczos -resize 320x \
            -dither FloydSteinberg -remap "$work/ramp.png" "$work/im-$((i++)).png"
    done
}

magick_colour() {
    local i=0 p
    for p in "${pictures[@]}"; do
        "$convert" "$p" -filter Lanczos -resize 320x -dither FloydSteinberg -colors 32 \
            "$work/im-$((i++)).png"
    done
}

peak() {  # the peak resident set of the command, in MiB
    /usr/bin/time -f %M -o "$work/time" "$@" >/dev/null 2>&1
    awk '{ printf "%.1f", $1 / 1024 }' "$work/time"
}

rate() {  # pictures per second for a time
    awk -v n="$count" -v s="$1" 'BEGIN { printf "%.1f", n / s }'
}

echo "$count pictures, $cores cores, best of $runs runs"
printf '%-8s %10s %10s %10s %12s %12s %10s\n' "book" "jobs 1" "jobs $cores" "IM" \
    "jobs $cores/IM" "1 to $cores" "peak MiB"
for kind in grey colour; do
    flag=--grey
    [ "$kind" = colour ] && flag=--colour
    one=$(fastest "$tool" pack "$work/one.cmb" "$work/pictures" "$flag" --jobs 1)
    all=$(fastest "$tool" pack "$work/all.cmb" "$work/pictures" "$flag" --jobs "$cores")
    im=$(fastest "magick_$kind")
    mem=$(peak "$tool" pack "$work/all.cmb" "$work/pictures" "$flag" --jobs "$cores")
    printf '%-8s %10s %10s %10s %11.2fx %11.2fx %10s\n' "$kind" "$(rate "$one")/s" \
        "$(rate "$all")/s" "$(rate "$im")/s" "$(awk -v a="$im" -v b="$all" 'BEGIN { print a / b }')" \
        "$(awk -v a="$one" -v b="$all" 'BEGIN { print a / b }')" "$mem"
done

"$tool" pack "$work/default.cmb" "$work/pictures"
"$tool" pack "$work/original.cmb" "$work/pictures" --original
small=$(stat -c %s "$work/default.cmb")
large=$(stat -c %s "$work/original.cmb")
awk -v a="$small" -v b="$large" 'BEGIN {
    printf "book: default %d bytes, --original %d bytes (%.1f %%)\n", a, b, 100 * a / b }'

[ -n "$quality" ] || exit 0
python=/usr/bin/python3
"$tool" pack "$work/q-grey.cmb" "$work/pictures" --spreads keep --no-crop
"$tool" pack "$work/q-linear.cmb" "$work/pictures" --spreads keep --no-crop --linear-light
"$tool" pack "$work/q-colour.cxb" "$work/pictures" --spreads keep --no-crop --colour
echo "grey (ssim, blurred ssim, mean shift | the same for ImageMagick):"
"$python" "$quality" "$tool" "$work/q-grey.cmb" "${pictures[@]}"
echo "grey, resized in linear light:"
"$python" "$quality" "$tool" "$work/q-linear.cmb" "${pictures[@]}" | tail -n 1
echo "colour:"
"$python" "$quality" "$tool" "$work/q-colour.cxb" "${pictures[@]}" --colour
