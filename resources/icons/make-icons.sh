#!/usr/bin/env bash
# Draws the eight 16x16 toolbar pictures and the program icon. Run from this folder to redraw.
set -euo pipefail
c() { convert -size 16x16 xc:none "$@"; }
c -fill '#e8b84a' -stroke '#8a6414' -draw 'polygon 1,4 6,4 7,5 14,5 14,13 1,13' PNG32:tool0.png           # open
c -fill '#3f6fb5' -stroke '#1d3b66' -draw 'rectangle 1,1 14,14' -fill white -stroke none \
  -draw 'rectangle 4,2 11,6' -fill '#1d3b66' -draw 'rectangle 5,10 10,14' PNG32:tool1.png                   # save
c -fill none -stroke '#202020' -strokewidth 2 -draw 'line 3,14 8,2' -draw 'line 8,2 13,14' \
  -draw 'line 5,10 11,10' PNG32:tool2.png                                                                  # text
c -fill white -stroke '#404040' -draw 'rectangle 1,1 9,10' -draw 'rectangle 6,5 14,14' PNG32:tool3.png  # copy
c -fill '#c08a3e' -stroke '#6b4a1c' -draw 'rectangle 2,2 12,15' -fill white -stroke '#404040' \
  -draw 'rectangle 6,6 14,14' -fill '#808080' -stroke none -draw 'rectangle 5,1 9,3' PNG32:tool4.png      # paste
c -fill '#dfefff' -stroke '#303030' -strokewidth 1.5 -draw 'circle 6,6 6,1' -draw 'line 9,9 14,14' \
  -strokewidth 1 -draw 'line 4,6 8,6' -draw 'line 6,4 6,8' PNG32:tool5.png                                  # zoom in
c -fill '#dfefff' -stroke '#303030' -strokewidth 1.5 -draw 'circle 6,6 6,1' -draw 'line 9,9 14,14' \
  -strokewidth 1 -draw 'line 4,6 8,6' PNG32:tool6.png                                                       # zoom out
c -fill white -stroke '#303030' -draw 'rectangle 1,3 14,12' -fill none -draw 'polyline 1,3 7,9 14,3' \
  PNG32:tool7.png                                                                                            # mail
convert -size 64x64 xc:none -fill '#2b4c7e' -draw 'roundrectangle 14,2 50,62 6,6' -fill '#e8f0ff' \
  -draw 'rectangle 18,8 46,50' -fill '#f2a03d' -draw 'circle 38,18 42,18' -fill '#3d9a4a' \
  -draw 'polygon 18,50 28,30 36,42 40,36 46,50' -fill '#e8f0ff' -draw 'circle 32,56 34,56' \
  PNG32:quilmo-editor.png
