#!/usr/bin/env bash
# Draws the installer's artwork from scratch into the folder this script lives in:
#   button-install.jpg, button-install-hot.jpg, button-finished.jpg  (220x80 button faces)
#   logo.jpg                                                        (424x534 white flame on blue)
#   setup.ico                                  (16..128 px, 32-bit RGBA; from 48 px up as PNG)
# Needs the Debian packages imagemagick (ImageMagick 6, used as /usr/bin/convert),
# fonts-wqy-microhei (Chinese captions) and fonts-dejavu-core (the word on the icon).
# Takes no arguments. The output is byte-for-byte the same on every run.
set -euo pipefail

if [ "$#" -ne 0 ]; then
  echo "usage: $0   (takes no arguments)" >&2
  exit 2
fi

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
IM=/usr/bin/convert
CJK_FONT=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
LATIN_FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
LATIN_FONT_SMALL=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
for f in "$IM" "$CJK_FONT" "$LATIN_FONT" "$LATIN_FONT_SMALL"; do
  if [ ! -e "$f" ]; then
    echo "draw-artwork: missing $f (install imagemagick fonts-wqy-microhei fonts-dejavu-core)" >&2
    exit 1
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Keep ImageMagick's output independent of the machine it runs on.
export MAGICK_THREAD_LIMIT=1 MAGICK_OCL_DEVICE=OFF
PNG_OPTS=(-define png:exclude-chunks=date,time)
JPEG_OPTS=(-strip -colorspace sRGB -type TrueColor -depth 8 -interlace none
           -sampling-factor 1x1 -quality 92)

# ---------------------------------------------------------------------------------------------
# Buttons: flat face, thin light frame, white caption centred.
# ---------------------------------------------------------------------------------------------
button() { # face-colour caption output
  "$IM" -size 220x80 xc:"$1" \
    -fill none -stroke "#9BD8F2" -strokewidth 2 -draw "rectangle 1,1 218,78" \
    -font "$CJK_FONT" -pointsize 38 -fill white -stroke white -strokewidth 0.8 \
    -gravity center -annotate +0+0 "$2" \
    "${JPEG_OPTS[@]}" "JPEG:$3"
}
TEAL="#1296B8"   # sits well on the rgb(22,131,196) panel
HOVER="#62A7CB"  # lighter and greyer
button "$TEAL"  "安装" "$work/button-install.jpg"
button "$HOVER" "安装" "$work/button-install-hot.jpg"
button "$TEAL"  "完成" "$work/button-finished.jpg"

# ---------------------------------------------------------------------------------------------
# Logo: white flame with a teardrop core cut out, soft shadow, on a radial blue ground.
# The flame is drawn at 4x and box-filtered down so its curves are smooth.
# ---------------------------------------------------------------------------------------------
LW=424; LH=534; SS=4
FLAME="M 212,456 C 150,456 98,410 98,344 C 98,276 148,232 172,192 C 194,156 206,116 190,70
       C 246,96 280,150 276,212 C 290,194 298,172 296,142 C 330,184 338,262 328,330
       C 318,410 270,456 212,456 Z"
CORE="M 213,436 C 183,436 162,414 162,384 C 162,352 186,330 200,304 C 208,290 212,272 208,254
      C 240,276 264,320 264,380 C 264,412 242,436 213,436 Z"
"$IM" -size $((LW * SS))x$((LH * SS)) xc:black -stroke none \
  -fill white -draw "scale $SS,$SS path '$FLAME'" \
  -fill black -draw "scale $SS,$SS path '$CORE'" \
  -filter box -resize "${LW}x${LH}!" -colorspace gray "${PNG_OPTS[@]}" "PNG:$work/flame-mask.png"
"$IM" -size "${LW}x${LH}" \
  -define gradient:center=212,250 -define gradient:radii=400,440 radial-gradient:"#3AA5E2-#1462A6" \
  \( "$work/flame-mask.png" -blur 0x10 -background "#0A3F73" -alpha shape \
     -channel A -evaluate multiply 0.4 +channel \) -geometry +0+8 -compose over -composite \
  \( -size "${LW}x${LH}" gradient:"#FFFFFF-#E4F2FC" "$work/flame-mask.png" -alpha off \
     -compose copyopacity -composite \) -geometry +0+0 -compose over -composite \
  "${JPEG_OPTS[@]}" "JPEG:$work/logo.jpg"

# ---------------------------------------------------------------------------------------------
# Icon: a sheet with a folded corner, a blue ribbon across its top-left corner, a small window
# sketch and the word "setup". Each size is laid out on its own pixel grid (edges fall on whole
# pixels), drawn at 8x and box-filtered down; the word is set at the final size so it is hinted.
# ---------------------------------------------------------------------------------------------
ICON_SIZES=(16 24 32 48 64 72 96 128)
LINE="#7F90A6"      # sheet outline
RIBBON="#1C74CF"
RIBBON_EDGE="#5FA9EE"
WIN_LINE="#2A5C99"
WIN_TITLE="#2F80D8"
WIN_BODY="#EEF4FA"
WORD="#1A62B6"

draw_icon() { # size output.png
  local n=$1 out=$2 s=8
  px() { echo $(( ($1 * n + 64) / 128 )); }            # layout unit (1/128) -> pixel edge
  ce() { echo $(( $1 * s + s / 2 )); }                 # centre of pixel $1, supersampled
  ed() { echo $(( $1 * s )); }                         # pixel edge, supersampled

  local L R T B F
  L=$(px 16); R=$(( $(px 112) - 1 )); T=$(px 6); B=$(( $(px 122) - 1 ))
  F=$(px 28); [ "$F" -lt 4 ] && F=4
  local sheet="$(ce $L),$(ce $T) $(ce $((R - F))),$(ce $T) $(ce $R),$(ce $((T + F))) $(ce $R),$(ce $B) $(ce $L),$(ce $B)"
  local fold="$(ce $((R - F))),$(ce $T) $(ce $((R - F))),$(ce $((T + F))) $(ce $R),$(ce $((T + F)))"

  # Ribbon: a band between two diagonals, clipped to the sheet's top-left corner.
  local r1 r2 ribbon
  if [ "$n" -ge 32 ]; then r1=24; r2=46; else r1=28; r2=52; fi
  ribbon="$(ed $L),$(ed $(px $((6 + r1)))) $(ed $(px $((16 + r1)))),$(ed $T) $(ed $(px $((16 + r2)))),$(ed $T) $(ed $L),$(ed $(px $((6 + r2))))"

  # Window sketch.
  local wx0 wx1 wy0 wy1 tb
  if [ "$n" -ge 32 ]; then
    wx0=$(px 36); wx1=$(( $(px 96) - 1 )); wy0=$(px 40); wy1=$(( $(px 80) - 1 ))
  else
    wx0=$(px 38); wx1=$(( $(px 98) - 1 )); wy0=$(px 50); wy1=$(( $(px 106) - 1 ))
  fi
  tb=$(( $(px 10) )); [ "$tb" -lt 2 ] && tb=2

  local draw=(
    -stroke "$LINE" -strokewidth $s -fill white -draw "polygon $sheet"
    -stroke none -fill "$RIBBON" -draw "polygon $ribbon"
  )
  if [ "$n" -ge 64 ]; then
    # Lighter hems along both edges of the ribbon.
    local h=$(( s * 3 / 2 ))
    draw+=(-stroke "$RIBBON_EDGE" -strokewidth $h -fill none
      -draw "line $(ed $L),$(( $(ed $(px $((6 + r1)))) + h )) $(( $(ed $(px $((16 + r1)))) + h )),$(ed $T)"
      -draw "line $(ed $L),$(( $(ed $(px $((6 + r2)))) - h )) $(( $(ed $(px $((16 + r2)))) - h )),$(ed $T)")
  fi
  draw+=(
    -stroke "$LINE" -strokewidth $s -fill none -draw "polygon $sheet"
    -fill "#DCE4EE" -draw "polygon $fold"
    -stroke "$WIN_LINE" -strokewidth $s -fill "$WIN_BODY"
    -draw "rectangle $(ce $wx0),$(ce $wy0) $(ce $wx1),$(ce $wy1)"
    -stroke none -fill "$WIN_TITLE"
    -draw "rectangle $(ed $wx0),$(ed $wy0) $(( $(ed $((wx1 + 1))) - 1 )),$(( $(ed $((wy0 + tb))) - 1 ))"
  )
  if [ "$n" -ge 48 ]; then
    # Inside the window: two lines of text and a progress bar.
    local ix0 ix1 ly1 ly2 pb0 pb1 pf
    ix0=$(( wx0 + $(px 6) )); ix1=$(( wx1 - $(px 6) ))
    ly1=$(( wy0 + tb + $(px 6) )); ly2=$(( ly1 + $(px 6) ))
    pb0=$(( wy1 - $(px 12) )); pb1=$(( wy1 - $(px 5) ))
    pf=$(( ix0 + (ix1 - ix0) * 3 / 5 ))
    draw+=(
      -fill "#B4C2D2"
      -draw "rectangle $(ed $ix0),$(ed $ly1) $(( $(ed $ix1) - 1 )),$(( $(ed $((ly1 + $(px 3)))) - 1 ))"
      -draw "rectangle $(ed $ix0),$(ed $ly2) $(( $(ed $(( (ix0 + ix1) / 2 ))) - 1 )),$(( $(ed $((ly2 + $(px 3)))) - 1 ))"
      -stroke "$WIN_LINE" -strokewidth $s -fill white
      -draw "rectangle $(ce $ix0),$(ce $pb0) $(ce $ix1),$(ce $pb1)"
      -stroke none -fill "$WIN_TITLE"
      -draw "rectangle $(ed $((ix0 + 1))),$(ed $((pb0 + 1))) $(( $(ed $pf) - 1 )),$(( $(ed $pb1) - 1 ))"
    )
  fi

  local layers=(
    -size $((n * s))x$((n * s)) xc:none "${draw[@]}" -filter box -resize "${n}x${n}!"
  )
  if [ "$n" -ge 32 ]; then
    # Largest size (at most 20/128 of the icon) that fits inside the sheet's outline. At 32 px
    # anti-aliased letters smear, so there the regular face is set in whole pixels instead.
    local pt=$(( (n * 20 + 64) / 128 )) font="$LATIN_FONT" aa=-antialias tw th tx ty
    if [ "$n" -lt 48 ]; then pt=7; font=$LATIN_FONT_SMALL; aa=+antialias; fi
    while :; do
      "$IM" -background none -fill "$WORD" -font "$font" $aa -pointsize "$pt" label:setup \
        -trim +repage "${PNG_OPTS[@]}" "PNG32:$work/word-$n.png"
      read -r tw th < <("$IM" "$work/word-$n.png" -format "%w %h\n" info:)
      if [ "$tw" -le $(( R - L - 3 )) ] || [ "$pt" -le 7 ]; then break; fi
      pt=$(( pt - 1 ))
    done
    tx=$(( (L + R + 1 - tw) / 2 )); ty=$(( $(px 101) - th / 2 ))
    layers+=("$work/word-$n.png" -geometry "+$tx+$ty" -compose over -composite)
  fi
  local off=$(( n >= 64 ? 2 : 1 ))
  # A faint top-to-bottom shade on everything drawn, then a soft drop shadow.
  "$IM" "${layers[@]}" \
    \( -size "${n}x${n}" gradient:"rgba(20,60,110,0)-rgba(20,60,110,0.12)" \) \
    -geometry +0+0 -compose atop -composite \
    \( +clone -fill black -colorize 100 -channel A -blur 0x$off -evaluate multiply 0.35 +channel \
       -roll +$off+$off \) +swap -geometry +0+0 -compose over -composite \
    -alpha set "${PNG_OPTS[@]}" "PNG32:$out"
}

frames=()
for n in "${ICON_SIZES[@]}"; do
  draw_icon "$n" "$work/icon-$n.png"
  frames+=("$work/icon-$n.png")
done
"$IM" "${frames[@]}" "ICO:$work/setup-bmp.ico"
# The images from 48 px up are stored as PNG inside the icon (every system the program runs on reads
# them), which takes a fraction of the room of the uncompressed ones; the small sizes stay uncompressed.
# The PNG is the drawn frame with its pixels deflated at the highest level and nothing but the image
# chunks; the directory entry keeps its size and 32 bits per pixel.
python3 - "$work/setup-bmp.ico" "$work/setup.ico" "$work" <<'PY'
import struct, sys, zlib
source, target, work = sys.argv[1:4]
data = open(source, "rb").read()
count = struct.unpack_from("<H", data, 4)[0]
images = []
for i in range(count):
    w, h, colours, reserved, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
    n = w or 256
    image = data[offset:offset + size]
    if n >= 48:
        # Rows of straight RGBA, top down, from the BMP image (bottom-up BGRA; the AND mask follows).
        rows = []
        for y in range(n - 1, -1, -1):
            row = image[40 + y * n * 4:40 + (y + 1) * n * 4]
            rgba = bytearray(row)
            rgba[0::4], rgba[2::4] = row[2::4], row[0::4]
            rows.append(b"\0" + bytes(rgba))
        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
        image = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", n, n, 8, 6, 0, 0, 0)) +
                 chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))
    images.append((w, h, colours, reserved, planes, bits, image))
out = bytearray(struct.pack("<HHH", 0, 1, count))
offset = 6 + 16 * count
for w, h, colours, reserved, planes, bits, image in images:
    out += struct.pack("<BBBBHHII", w, h, colours, reserved, planes, bits, len(image), offset)
    offset += len(image)
for image in images:
    out += image[6]
open(target, "wb").write(out)
PY

# ---------------------------------------------------------------------------------------------
# Check what was drawn, then move it into place.
# ---------------------------------------------------------------------------------------------
check() { # file expected-identify-lines
  local got
  got=$("$IM" "$1" -format "%m %wx%h %z %[channels]\n" info: 2>&1)
  if [ "$got" != "$2" ]; then
    printf 'draw-artwork: %s came out as:\n%s\nexpected:\n%s\n' "$1" "$got" "$2" >&2
    exit 1
  fi
}
for b in button-install button-install-hot button-finished; do check "$work/$b.jpg" "JPEG 220x80 8 srgb"; done
check "$work/logo.jpg" "JPEG 424x534 8 srgb"
check "$work/setup.ico" "$(for n in "${ICON_SIZES[@]}"; do
  if [ "$n" -ge 48 ]; then echo "PNG ${n}x$n 8 srgba"; else echo "ICO ${n}x$n 8 srgba"; fi
done)"
# The PNG images must show the same pixels as the uncompressed ones they replace.
for i in "${!ICON_SIZES[@]}"; do
  differing=$("$IM" "$work/setup-bmp.ico[$i]" "$work/setup.ico[$i]" -metric AE -compare -format "%[distortion]" info:)
  if [ "$differing" != 0 ]; then
    echo "draw-artwork: image $i of the icon differs in $differing pixels from the drawn one" >&2
    exit 1
  fi
done
# Every icon image must be stored as 32 bits per pixel (the bit count of each directory entry).
bpp=$(od -An -tu2 -j6 -N128 -v "$work/setup.ico" | tr -s ' \n' ' ' | awk '{for (i = 4; i <= NF; i += 8) printf "%s ", $i}')
if [ "$bpp" != "32 32 32 32 32 32 32 32 " ]; then
  echo "draw-artwork: setup.ico bit counts are '$bpp', expected 32 each" >&2
  exit 1
fi

for f in button-install.jpg button-install-hot.jpg button-finished.jpg logo.jpg setup.ico; do
  cp "$work/$f" "$here/$f"
  printf '%-24s %8s bytes  %s\n' "$f" "$(stat -c %s "$here/$f")" \
    "$("$IM" "$here/$f" -format "%wx%h " info: | sed 's/ $//')"
done
