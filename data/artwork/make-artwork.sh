#!/usr/bin/env bash
# Draws the pictures shipped in the program folder and in the sample book (toolbar
# buttons, splash screens, icons) with ImageMagick. The results are committed; run this
# again only after changing a drawing. Output is plain 24-bit Windows bitmaps (BMP3) and
# icons with 16, 32 and 48 pixel images, without metadata, so runs give identical bytes.
set -euo pipefail
cd "$(dirname "$0")"
DATA=$(cd .. && pwd)
SAMPLE=$(cd ../../samples && pwd)/Lighthouse
FONT=DejaVu-Sans-Bold
SERIF=DejaVu-Serif-Bold

# glyph KIND -> the -draw primitives of one 24x24 button picture (white on the tile)
glyph() {
  case $1 in
    1) echo "polygon 4,12 11,5 11,9 19,9 19,15 11,15 11,19" ;;                    # Back
    2) echo "polygon 20,12 13,5 13,9 5,9 5,15 13,15 13,19" ;;                     # Forward
    3) echo "rectangle 5,6 7,18 polygon 8,12 18,6 18,18" ;;                       # First
    4) echo "polygon 6,12 17,5 17,19" ;;                                          # Prior
    5) echo "polygon 18,12 7,5 7,19" ;;                                           # Next
    6) echo "rectangle 17,6 19,18 polygon 16,12 6,6 6,18" ;;                      # Last
    7) echo "polygon 3,12 12,6 12,18 polygon 11,12 20,6 20,18" ;;                 # Prior chapter
    8) echo "polygon 21,12 12,6 12,18 polygon 13,12 4,6 4,18" ;;                  # Next chapter
    9) echo "circle 12,6 12,4 rectangle 10,10 14,20" ;;                           # About
    10) echo "rectangle 4,3 12,21 polygon 10,12 16,6 16,10 21,10 21,14 16,14 16,18" ;; # Exit
    11) echo "polygon 3,19 8,5 11,5 16,19 13,19 12,16 7,16 6,19 polygon 15,19 18,11 20,11 23,19 21,19 20,17 18,17 17,19" ;; # Font size
    12) echo "circle 10,10 10,4 polygon 14,15 16,13 21,18 19,20" ;;               # Search
    13) echo "polygon 12,3 14.6,9 21,9.4 16,13.6 17.6,20 12,16.5 6.4,20 8,13.6 3,9.4 9.4,9" ;; # Bookmarks
    14) echo "rectangle 7,3 17,7 rectangle 3,9 21,16 rectangle 7,18 17,21" ;;     # Print
    15) echo "rectangle 4,4 13,15 rectangle 10,9 19,20" ;;                        # Copy
    17) echo "polygon 12,4 21,12 18,12 18,20 14,20 14,15 10,15 10,20 6,20 6,12 3,12" ;; # Home
  esac
}

# button FILE KIND COLOUR
button() {
  local args=(-fill white -stroke none -draw "$(glyph "$2")")
  if [ "$2" = 16 ]; then
    args=(-fill none -stroke white -strokewidth 3 -draw "arc 5,5 19,19 40,320"
          -fill white -stroke none -draw "polygon 14,2 21,6 14,10")
  fi
  convert -size 24x24 xc:'#F0F0F0' -fill "$3" -stroke none -draw "roundrectangle 0,0 23,23 5,5" \
    "${args[@]}" -strip -type TrueColor "BMP3:$1"
}

# splash FILE WIDTH HEIGHT TOP BOTTOM TITLE SUBTITLE
splash() {
  convert -size "$2x$3" gradient:"$4"-"$5" \
    -fill '#FFFFFF14' -draw "circle $(( $2 * 4 / 5 )),$(( $3 / 5 )) $(( $2 * 4 / 5 + $3 / 2 )),$(( $3 / 5 ))" \
    -font $SERIF -pointsize $(( $3 / 7 )) -fill white -gravity center -annotate +0-$(( $3 / 12 )) "$6" \
    -font $FONT -pointsize $(( $3 / 16 )) -fill '#FFFFFFD0' -annotate +0+$(( $3 / 7 )) "$7" \
    -strip -type TrueColor "BMP3:$1"
}

# icon FILE BACK GLYPH: a 48, 32 and 16 pixel icon drawn from one 48x48 picture
icon() {
  local tmp; tmp=$(mktemp -d)
  convert -size 48x48 xc:none -fill "$2" -draw "roundrectangle 1,1 46,46 10,10" \
    -fill white -draw "$3" -strip "png32:$tmp/big.png"
  for s in 48 32 16; do convert "$tmp/big.png" -resize ${s}x${s} -strip "png32:$tmp/$s.png"; done
  convert "$tmp/48.png" "$tmp/32.png" "$tmp/16.png" -strip "ICO:$1"
  rm -rf "$tmp"
}

BOOK="polygon 8,12 23,16 23,40 8,36 polygon 25,16 40,12 40,36 25,40"
LAMP="polygon 19,14 29,14 31,40 17,40 polygon 17,8 31,8 24,3 rectangle 18,10 30,13"

# Default project: every button kind the default toolbar uses.
TB=$DATA/DefaultProject/DefaultProject.system/Toolbar.buttons
mkdir -p "$TB"
rm -f "$TB"/*.bmp
# positions and kinds as in DefaultProject.system/Toolbar.xml (separators have no picture)
for pk in 0:1 1:2 3:4 4:5 6:17 7:12 8:13 9:14 10:15 12:9 13:10; do
  button "$TB/${pk%%:*}.bmp" "${pk##*:}" '#2E6DA4'
done
splash "$DATA/DefaultProject/DefaultProject.system/SplashS.bmp" 400 260 '#2E6DA4' '#163A5C' "Welcome" "Turn the page to begin"
splash "$DATA/DefaultProject/DefaultProject.system/SplashE.bmp" 400 260 '#5C3A16' '#2A1A08' "Thank you" "for reading this book"
splash "$DATA/Splash.bmp" 480 300 '#3C5A78' '#101C28' "Tomewright" "Quarvel book authoring kit"
icon "$DATA/System/Application.ico" '#2E6DA4' "$BOOK"

# Sample book "Lighthouse"
STB=$SAMPLE/Lighthouse.system/Toolbar.buttons
mkdir -p "$STB"
rm -f "$STB"/*.bmp
for pk in 0:3 1:4 2:5 3:6 5:7 6:8 8:17 9:12 10:13 12:9 13:10; do
  button "$STB/${pk%%:*}.bmp" "${pk##*:}" '#A4412E'
done
splash "$SAMPLE/Lighthouse.system/SplashS.bmp" 400 260 '#1E3C5A' '#0A141E' "The Lamp on Gull Rock" "A short book about lighthouses"
icon "$SAMPLE/Lighthouse.system/Icon.ico" '#A4412E' "$LAMP"
mkdir -p "$SAMPLE/Lighthouse.files/Pictures"
convert -size 160x240 gradient:'#1E3C5A'-'#6F8FA8' \
  -fill '#FFF4C0' -draw "polygon 80,38 160,20 160,56" -draw "polygon 80,38 0,20 0,56" \
  -fill '#3A3A3A' -draw "polygon 0,240 0,214 40,200 120,204 160,218 160,240" \
  -fill '#F4F1EA' -draw "polygon 62,206 98,206 92,60 68,60" \
  -fill '#A4412E' -draw "polygon 66,170 94,170 93,140 67,140" -draw "polygon 68,110 92,110 91,80 69,80" \
  -fill '#2A2A2A' -draw "rectangle 64,56 96,60" -draw "polygon 66,32 94,32 80,20" \
  -fill '#FFE27A' -draw "rectangle 70,34 90,55" \
  -strip "png24:$SAMPLE/Lighthouse.files/Pictures/Tower.png"

# Side pictures of the new-book wizard's steps, 140 x 300 (editor/ui/icons/wizard).
WIZ=$(cd ../../editor/ui/icons/wizard && pwd)
# side FILE TITLE PRIMITIVES...: a dark blue panel with a white drawing and a title
side() {
  local file=$1 title=$2; shift 2
  convert -size 140x300 gradient:'#2E6DA4'-'#10263D' \
    -fill '#FFFFFF10' -stroke none -draw "circle 120,40 120,150" -draw "circle 10,280 10,330" \
    -fill none -stroke white -strokewidth 4 "$@" \
    -stroke none -fill white -font $FONT -pointsize 15 -gravity south -annotate +0+34 "$title" \
    -fill '#FFFFFF60' -draw "rectangle 40,272 100,273" \
    -strip -define png:exclude-chunks=date,time -type TrueColor "png24:$WIZ/$file"
}
side Step0General.png "Welcome" \
  -draw "polygon 22,92 68,104 68,170 22,158" -draw "polygon 72,104 118,92 118,158 72,170" \
  -strokewidth 2 -draw "line 30,112 60,120" -draw "line 30,124 60,132" -draw "line 80,120 110,112" \
  -draw "line 80,132 110,124" -fill white -stroke none -draw "polygon 70,48 75,62 90,64 78,73 82,88 70,79 58,88 62,73 50,64 65,62"
side Step1Folder.png "Your folder" \
  -draw "polygon 24,86 56,86 64,96 116,96 116,164 24,164" -draw "line 24,110 116,110" \
  -strokewidth 2 -draw "line 40,128 76,128" -draw "line 40,142 98,142"
side Step2Template.png "Template" \
  -draw "rectangle 44,70 104,150" -draw "rectangle 34,80 94,160" -fill '#2E5A8A' -draw "rectangle 24,90 84,170" \
  -fill none -strokewidth 2 -draw "line 34,108 74,108" -draw "line 34,120 74,120" -draw "line 34,132 64,132" \
  -draw "line 34,144 74,144"
side Step3GeneralOptions.png "Options" \
  -draw "roundrectangle 20,76 120,160 6,6" -draw "line 20,96 120,96" -strokewidth 3 \
  -draw "line 36,116 104,116" -draw "line 36,138 104,138" -fill white -stroke none \
  -draw "circle 56,116 56,122" -draw "circle 88,138 88,144" -draw "circle 30,86 30,89" -draw "circle 40,86 40,89"
side Step4ToolbarOptions.png "Toolbar" \
  -draw "roundrectangle 14,100 126,140 6,6" -fill white -stroke none \
  -draw "roundrectangle 22,108 42,132 3,3" -draw "roundrectangle 48,108 68,132 3,3" \
  -draw "roundrectangle 74,108 94,132 3,3" -fill none -stroke white -strokewidth 3 -draw "line 108,110 108,130" \
  -draw "line 40,162 100,162"
side Step5SecurityType.png "Security" \
  -draw "arc 44,60 96,130 180,360" -draw "line 44,95 44,108" -draw "line 96,95 96,108" \
  -fill white -stroke none -draw "roundrectangle 30,104 110,166 8,8" \
  -fill '#1D4269' -draw "circle 70,128 70,136" -draw "polygon 66,132 74,132 77,152 63,152"
side Step6Splash.png "Splash" \
  -draw "rectangle 18,80 122,162" -fill white -stroke none -draw "circle 96,104 96,114" \
  -draw "polygon 22,158 52,116 72,140 86,126 118,158" \
  -fill none -stroke white -strokewidth 2 -draw "line 30,176 110,176" -draw "line 46,186 94,186"
side Step7Finish.png "Done" \
  -draw "circle 70,118 70,166" -fill white -stroke none -draw "polygon 44,120 51,113 64,127 90,98 97,105 64,141"
