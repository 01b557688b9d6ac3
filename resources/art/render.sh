#!/bin/sh
# Regenerates the committed pictures from the SVG sources in this folder.
# Needs rsvg-convert (librsvg2-bin), ImageMagick 6 `convert` and the fonts
# fonts-urw-base35 / fonts-dejavu-core. The build itself never runs this.
set -eu
art=$(cd "$(dirname "$0")" && pwd)
res=$(dirname "$art")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The classic 16-colour palette the small icons are reduced to.
convert xc:'#000000' xc:'#800000' xc:'#008000' xc:'#808000' \
        xc:'#000080' xc:'#800080' xc:'#008080' xc:'#c0c0c0' \
        xc:'#808080' xc:'#ff0000' xc:'#00ff00' xc:'#ffff00' \
        xc:'#0000ff' xc:'#ff00ff' xc:'#00ffff' xc:'#ffffff' +append "$tmp/palette.png"

# icon SVG, size, output PNG: 16 colours plus on/off transparency
small_icon() {
    rsvg-convert -w "$2" -h "$2" "$1" -o "$tmp/raw.png"
    convert "$tmp/raw.png" -alpha extract -threshold 50% "$tmp/mask.png"
    convert "$tmp/raw.png" -background black -alpha remove +dither \
            -remap "$tmp/palette.png" "$tmp/rgb.png"
    convert "$tmp/rgb.png" "$tmp/mask.png" -alpha off -compose CopyOpacity \
            -composite -define png:exclude-chunks=date,time -strip "$3"
}

mkdir -p "$res/icons"
for name in main chapters words links; do
    small_icon "$art/$name.svg" 32 "$res/icons/$name.png"
    small_icon "$art/${name}16.svg" 16 "$res/icons/${name}16.png"
done

# Desktop icons: the 16-colour art at its own sizes, smooth renders above.
for size in 16 32 48 64 128 256; do
    mkdir -p "$res/hicolor/${size}x${size}/apps"
done
cp "$res/icons/main16.png" "$res/hicolor/16x16/apps/tarvix.png"
cp "$res/icons/main.png" "$res/hicolor/32x32/apps/tarvix.png"
for size in 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" "$art/main.svg" -o "$tmp/raw.png"
    convert "$tmp/raw.png" -define png:exclude-chunks=date,time -strip \
            PNG32:"$res/hicolor/${size}x${size}/apps/tarvix.png"
done
mkdir -p "$res/hicolor/scalable/apps"
cp "$art/main.svg" "$res/hicolor/scalable/apps/tarvix.svg"

# Splash: a 24-bit Windows bitmap with no alpha (54-byte header + 400 x 200 x 3).
rsvg-convert -w 400 -h 200 "$art/splash.svg" -o "$tmp/splash.png"
convert "$tmp/splash.png" -background white -alpha remove -alpha off \
        -type TrueColor BMP3:"$res/splash.bmp"
