#!/usr/bin/env bash
# Draws the program's pictures into res/: the window skin, the version label, the six button
# pictures (normal in green, highlighted in magenta) and the application icon.
#   tools/make-pictures.sh [OUTDIR]      (default: res/ of this tree)
# Needs ImageMagick 6, the DejaVu fonts and Python 3 (Debian: imagemagick fonts-dejavu-core python3).
# The generated files are kept in the repository, so the build itself needs none of them.
#
# Places are in pixels (left, top, width, height) and match the controls of the main window:
# the picture controls show these bitmaps over the skin at exactly these places.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../res}
convert=${CONVERT:-convert}
python=${PYTHON:-python3}
fonts=${FONTS:-/usr/share/fonts/truetype/dejavu}
sans=$fonts/DejaVuSans.ttf
bold=$fonts/DejaVuSans-Bold.ttf
cond=$fonts/DejaVuSansCondensed.ttf
condbold=$fonts/DejaVuSansCondensed-Bold.ttf
for f in "$sans" "$bold" "$cond" "$condbold"; do
  [ -f "$f" ] || { echo "missing font $f (apt-get install fonts-dejavu-core)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

W=427 H=358
GREEN='#00ff00' MAGENTA='#ff00ff' BLACK='#000000'
DIMGREEN='#0b6b1c' DIMMAGENTA='#6b0b6b'

# Button places on the skin: name left top width height label.
BUTTONS=(
  "open 167 286 50 20 Open"
  "reg 13 319 103 24 Register"
  "unreg 117 319 103 24 Unregister"
)

# A sunken black field whose inside is (x0,y0)-(x1,y1), inclusive: dark edge above and left,
# light edge below and right, as if pressed into the metal, and a thin green rim inside.
field() {
  local x0=$1 y0=$2 x1=$3 y1=$4
  fields+=(-fill '#3c4043' -draw "rectangle $((x0-2)),$((y0-2)) $((x1+1)),$((y0-1))"
           -draw "rectangle $((x0-2)),$((y0-2)) $((x0-1)),$((y1+1))"
           -fill '#f2f4f6' -draw "rectangle $((x0-1)),$((y1+2)) $((x1+2)),$((y1+2))"
           -draw "rectangle $((x1+2)),$((y0-1)) $((x1+2)),$((y1+2))"
           -fill "$BLACK" -draw "rectangle $((x0-1)),$((y0-1)) $((x1+1)),$((y1+1))"
           -fill none -stroke '#0f4a1a' -draw "rectangle $((x0-1)),$((y0-1)) $((x1+1)),$((y1+1))" -stroke none)
}
fields=()
field 16 117 217 269   # information panel
field 16 285 157 304   # head file box
field 232 63 407 340   # Games list

# The metal: a vertical light-to-dark gradient with fine horizontal brushing. The program draws
# it again itself at start-up, so it comes from the one description both share.
"$python" "$here/pictures.py" metal $W $H "$work/metal.ppm"
"$convert" "$work/metal.ppm" "$work/metal.png"

# Window edge: a dark outline with a light line inside it.
edge=(-fill none -stroke '#2a2d30' -draw "rectangle 0,0 $((W-1)),$((H-1))"
      -stroke '#eef1f4' -draw "line 1,21 1,$((H-2))" -draw "line 1,21 $((W-2)),21"
      -stroke '#5e6368' -draw "line $((W-2)),21 $((W-2)),$((H-2))" -draw "line 1,$((H-2)) $((W-2)),$((H-2))"
      -stroke none)

# Title strip: black, a green rule below, the title in green capitals at the left.
title=(-fill "$BLACK" -draw "rectangle 0,0 $((W-1)),19"
       -fill '#0a3d14' -draw "rectangle 0,19 $((W-1)),19"
       -fill "$GREEN" -draw "rectangle 0,20 $((W-1)),20"
       -font "$bold" -pointsize 9 -fill "$GREEN" -annotate +7+14 'VESK GAME/HEAD INSTALLER')

# Minimise and close marks: green frames of 16 x 15 with a bar and a cross.
marks=(-fill none -stroke "$DIMGREEN" -draw "rectangle 380.5,2.5 394.5,15.5" -draw "rectangle 403.5,2.5 417.5,15.5"
       -stroke none -fill "$GREEN" -draw "rectangle 384,11 391,12"
       -stroke "$GREEN" -strokewidth 1.6 -draw "line 407,6 414,13" -draw "line 414,6 407,13" -stroke none)

# Logo block: a green tablet with the maker's name and what the program is for.
logo=(-fill '#06240c' -draw "roundrectangle 16,31 220,107 5,5"
      -fill "$GREEN" -draw "roundrectangle 17,32 219,106 4,4")
"$convert" -size 203x75 gradient:'#5dff72'-'#008c1e' -alpha off "$work/logofill.png"
"$convert" -size 203x75 xc:black -fill white -draw "roundrectangle 0,0 202,74 4,4" "$work/logomask.png"

# The skin.
"$convert" "$work/metal.png" "${edge[@]}" "${title[@]}" "${marks[@]}" "${logo[@]}" "${fields[@]}" \
  -alpha off "$work/skin0.png"

# Logo face and lettering: the name engraved (a light line under each stroke), a rule, and what
# the program is for beside it.
"$convert" "$work/logofill.png" \
  -fill '#b8ffc2' -draw "rectangle 3,1 199,1" \
  -font "$bold" -pointsize 42 -fill '#8dffa0' -annotate +11+49 'VESK' \
  -fill '#002a09' -annotate +10+48 'VESK' \
  -draw "rectangle 145,14 146,48" -fill '#8dffa0' -draw "rectangle 147,14 147,48" -fill '#002a09' \
  -font "$condbold" -pointsize 12 -annotate +153+26 'GAME' -annotate +153+39 'HEAD' \
  -font "$cond" -pointsize 10 -annotate +153+49 'installer' \
  -font "$cond" -pointsize 10 -fill '#00450f' -annotate +11+66 'games and heads for VPlaces' \
  "$work/logomask.png" -alpha off -compose copy_opacity -composite "$work/logo.png"
"$convert" "$work/skin0.png" "$work/logo.png" -geometry +17+32 -compose over -composite -alpha off "$work/skin1.png"

# List header: a dark band above the list with its title in green.
"$convert" "$work/skin1.png" \
  -fill '#3c4043' -draw "rectangle 229,30 410,31" -draw "rectangle 229,30 230,60" \
  -fill '#f2f4f6' -draw "rectangle 411,31 411,60" \
  -fill '#101214' -draw "rectangle 231,32 410,59" \
  -fill '#1b1f22' -draw "rectangle 231,32 410,44" \
  -fill "$GREEN" -draw "rectangle 231,59 410,59" \
  -font "$condbold" -pointsize 10 -fill "$GREEN" -gravity northwest -annotate +242+39 'currently installed heads/games' \
  -gravity none -alpha off "$work/skin2.png"

# A button drawn on a piece of background: a black face with a rim and its name in the colour.
button() {  # background out colour dimcolour label
  local bg=$1 dst=$2 colour=$3 dim=$4 label=$5 size w h
  size=$("$convert" "$bg" -format '%wx%h' info:)
  w=${size%x*} h=${size#*x}
  "$convert" -size "$size" gradient:'#26292c'-'#000000' "$work/face.png"
  "$convert" -size "$size" xc:black -fill white -draw "roundrectangle 0,0 $((w-1)),$((h-1)) 3,3" "$work/bmask.png"
  "$convert" "$work/face.png" \
    -fill none -stroke "$dim" -draw "roundrectangle 1.5,1.5 $((w-2)).5,$((h-2)).5 2,2" \
    -stroke "$colour" -draw "roundrectangle 0.5,0.5 $((w-1)).5,$((h-1)).5 3,3" -stroke none \
    -font "$bold" -pointsize $([ "$h" -ge 24 ] && echo 11 || echo 10) -fill "$colour" -gravity center \
    -annotate +0+0 "$label" -gravity none \
    "$work/bmask.png" -alpha off -compose copy_opacity -composite "$work/btn.png"
  "$convert" "$bg" "$work/btn.png" -compose over -composite -alpha off "$dst"
}

# Button pictures cut from the skin's metal, so their rounded corners sit on the same background.
skin="$work/skin2.png"
for button in "${BUTTONS[@]}"; do
  read -r name x y w h label <<<"$button"
  "$convert" "$skin" -crop "${w}x${h}+${x}+${y}" +repage "$work/bg_$name.png"
  button "$work/bg_$name.png" "$work/$name.png" "$GREEN" "$DIMGREEN" "$label"
  button "$work/bg_$name.png" "$work/${name}_sel.png" "$MAGENTA" "$DIMMAGENTA" "$label"
  "$convert" "$skin" "$work/$name.png" -geometry "+${x}+${y}" -compose over -composite -alpha off "$work/next.png"
  mv "$work/next.png" "$work/skin_b.png"
  skin="$work/skin_b.png"
done

# Version label: 70 x 11 on the black title strip; drawn on the skin too, under its control.
# Text this small stays sharp only without smoothing.
"$convert" -size 70x11 xc:black +antialias -font "$sans" -pointsize 9 -fill "$GREEN" -gravity center \
  -annotate +0+1 'V2.0 - Build 24' -alpha off "$work/version.png"
"$convert" "$skin" "$work/version.png" -geometry +188+4 -compose over -composite -alpha off "$work/skin.png"

# The program carries them packed (tools/pictures.py), the skin without its metal, which it draws
# itself.
pic() {  # picture out [--metal]
  "$convert" "$1" -alpha off -type TrueColor -define bmp:format=bmp3 "BMP3:$work/full.bmp"
  "$python" "$here/pictures.py" pack "$work/full.bmp" "$2" "${@:3}"
}
pic "$work/skin.png" "$out/skin.pic" --metal
pic "$work/version.png" "$out/version.pic"
for name in open reg unreg; do
  pic "$work/$name.png" "$out/$name.pic"
  pic "$work/${name}_sel.png" "$out/${name}_sel.pic"
done

# Application icon: the green tablet with a black V, at 48, 32 and 16 pixels.
icon() {  # size out
  local s=$1 r=$(( $1 / 6 )) pt
  pt=$(( $1 * 3 / 4 ))
  [ "$s" -gt 16 ] || pt=15
  "$convert" -size "${s}x${s}" xc:none \
    -fill '#06240c' -draw "roundrectangle 0,0 $((s-1)),$((s-1)) $r,$r" \
    -fill '#14d838' -draw "roundrectangle 1,1 $((s-2)),$((s-2)) $r,$r" \
    -fill '#5dff72' -draw "roundrectangle 1,1 $((s-2)),$((s/2)) $r,$r" \
    -fill '#14d838' -draw "rectangle 1,$((s/3)) $((s-2)),$((s/2))" \
    -font "$bold" -pointsize "$pt" -fill '#002a09' -gravity center -annotate +0+1 'V' "$2"
}
icon 48 "$work/i48.png"
icon 32 "$work/i32.png"
icon 16 "$work/i16.png"
"$convert" "$work/i16.png" "$work/i32.png" "$work/i48.png" "$work/app.ico"
# The 48-pixel picture as PNG (a ninth of its bitmap): the program is to stay small.
"$convert" "$work/i48.png" -strip png32:"$work/i48-small.png"
python3 "$(dirname "$0")/ico-with-png.py" "$work/app.ico" "$work/i48-small.png" 48 "$out/app.ico"

# The build knows the resource script, not the pictures it names: mark it changed.
[ -f "$out/VeskInstaller.rc" ] && touch "$out/VeskInstaller.rc"
echo "pictures written to $out"
