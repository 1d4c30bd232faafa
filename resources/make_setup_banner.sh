#!/bin/sh
# Draws Setup's wizard banner (bitmap 2717): a tall strip with a blue
# gradient, a clock face and the product name, saved as a 256-colour
# bitmap that every Windows version loads.
#   sh resources/make_setup_banner.sh
set -e
here=$(cd "$(dirname "$0")" && pwd)
convert -size 184x96 gradient:'#1c4c96'-'#6fa3e0' -rotate 90 \
    -fill '#f4f8ff' -stroke '#0d2a57' -strokewidth 3 -draw 'circle 48,48 48,20' \
    -stroke '#0d2a57' -strokewidth 3 -draw 'line 48,48 35,37' \
    -strokewidth 2 -draw 'line 48,48 61,28' \
    -stroke none -fill '#0d2a57' -draw 'circle 48,48 50,50' \
    -fill white -font DejaVu-Sans-Bold -pointsize 20 -gravity north -annotate +0+92 'Orvane' \
    -font DejaVu-Sans -pointsize 11 -annotate +0+118 'Setup' \
    -fill '#d8e6fa' -pointsize 9 -gravity south -annotate +0+8 'Pellmoor Software' \
    -type Palette -colors 256 -compress none BMP3:"$here/setup_banner.bmp"
