#!/bin/sh
# Redraws the makers' template pictures in this folder with ImageMagick's convert.
# Every picture is 24-bit, drawn without smoothing in a few flat colours, so that the makers'
# 16-colour reduction keeps the text colours exact. The areas the makers write into stay clear:
#   カレンダ.PNG  title text in rows 0-8 (white text), day grid from row 19 down
#   宛名.PNG      name columns x 14-37, y 10-73
#   greeting cards: columns x 16-57; the motif keeps to x 0-44, y 0-22 and the strip x 0-13
#   no1-no4.png  top line x 22-57 y 4-14, kana x 5-16 y 18-33, number x 16-73 y 16-35
set -eu
cd "$(dirname "$0")"

out() { # out NAME: write the picture from stdin-less convert args as 24-bit PNG
    name=$1
    shift
    convert "$@" -define png:color-type=2 -strip "PNG24:$name"
}

# --- calendar -------------------------------------------------------------------------------
cal="-size 96x84 xc:rgb(255,248,225) +antialias"
cal_draw="fill rgb(0,100,60) rectangle 0,0 95,8
fill rgb(255,160,160) rectangle 4,11 14,16
fill rgb(150,150,150) rectangle 17,11 27,16 rectangle 30,11 40,16 rectangle 43,11 53,16
rectangle 56,11 66,16 rectangle 69,11 79,16
fill rgb(160,160,255) rectangle 82,11 92,16
stroke rgb(225,210,170) line 1,18 94,18"
for x in 15 28 41 54 67 80; do cal_draw="$cal_draw line $x,19 $x,83"; done
out カレンダ.PNG $cal -draw "$cal_draw"

# --- New Year card --------------------------------------------------------------------------
white="-size 60x84 xc:white +antialias"
red="rgb(210,30,30)"
out 宛名.PNG $white -draw "fill none stroke $red
rectangle 27,2 31,7 rectangle 33,2 37,7 rectangle 39,2 43,7
rectangle 46,2 50,7 rectangle 51,2 55,7
rectangle 2,2 11,13
fill $red stroke none rectangle 4,4 9,5 rectangle 4,8 9,9 rectangle 4,11 9,11"

card_base="fill rgb(250,215,120) rectangle 0,24 12,83
fill $red circle 6,34 6,36 circle 6,52 6,54 circle 6,70 6,72"
out 裏白紙.PNG $white -draw "fill none stroke $red rectangle 0,0 59,83
fill $red stroke none rectangle 3,75 10,81"

motif() { # motif FILE DRAW
    out "$1" $white -draw "$card_base" -draw "$2"
}
ink="rgb(60,40,20)"
motif ねずみ.PNG "fill rgb(140,140,150) stroke $ink ellipse 24,15 13,7 0,360
circle 12,8 12,4 circle 20,6 20,2 fill rgb(255,150,170) circle 9,14 9,15
stroke $ink fill none line 37,16 43,10"
motif うし.PNG "fill white stroke $ink ellipse 25,14 15,7 0,360 rectangle 12,19 15,22 rectangle 33,19 36,22
fill $ink ellipse 22,12 4,3 0,360 ellipse 32,15 3,2 0,360
fill white circle 9,10 9,16 fill rgb(250,215,120) line 5,5 7,8 line 13,5 11,8"
motif とら.PNG "fill rgb(240,150,30) stroke $ink ellipse 26,14 14,7 0,360 circle 10,11 10,18
stroke $ink line 22,8 22,20 line 28,7 28,21 line 34,8 34,20 line 40,10 44,4
fill $ink circle 7,10 7,11 circle 13,10 13,11"
motif うさぎ.PNG "fill white stroke rgb(150,150,150) ellipse 26,17 12,5 0,360 circle 13,14 13,20
ellipse 10,5 2,6 0,360 ellipse 16,5 2,6 0,360
fill rgb(255,150,170) stroke none ellipse 10,5 1,4 0,360 ellipse 16,5 1,4 0,360
fill $red circle 11,14 11,15"
motif たつ.PNG "fill rgb(40,150,80) stroke $ink circle 36,16 36,21 circle 28,10 28,15 circle 20,15 20,20
circle 10,9 10,15 stroke rgb(250,215,120) line 7,3 5,0 line 13,3 15,0
fill $red stroke none circle 8,8 8,9"
motif へび.PNG "fill none stroke rgb(40,150,80) stroke-width 4 polyline 40,18 32,20 26,14 20,8 12,10 8,16
stroke $red stroke-width 1 line 5,17 2,19 fill $ink stroke none circle 9,14 9,15"
motif うま.PNG "fill rgb(150,90,40) stroke $ink ellipse 26,11 12,5 0,360 polygon 10,4 16,4 13,14 6,12
line 18,15 18,22 line 22,15 22,22 line 31,15 31,22 line 35,15 35,22
fill $ink stroke none rectangle 14,2 18,8 line 38,9 43,15"
motif ひつじ.PNG "fill white stroke rgb(150,150,150) circle 20,10 20,16 circle 28,10 28,16 circle 36,12 36,17
circle 24,16 24,21 circle 32,17 32,21 fill $ink stroke none ellipse 11,12 4,5 0,360
fill white circle 9,11 9,12 circle 13,11 13,12"
motif さる.PNG "fill rgb(150,90,40) stroke $ink circle 22,12 22,22 circle 10,12 10,16 circle 34,12 34,16
fill rgb(250,200,170) ellipse 22,14 7,6 0,360 fill $ink stroke none circle 19,11 19,12 circle 25,11 25,12
fill $red rectangle 20,17 24,17"
motif とり.PNG "fill white stroke $ink ellipse 26,14 12,7 0,360 circle 13,9 13,15 polygon 37,8 44,2 42,12
fill $red stroke none polygon 10,3 12,0 14,3 16,1 16,5 10,5 circle 12,15 12,17
fill rgb(250,180,0) polygon 6,8 9,7 9,10 fill $ink circle 12,8 12,9"
motif いぬ.PNG "fill rgb(220,170,100) stroke $ink ellipse 27,15 12,6 0,360 circle 13,11 13,18
fill rgb(150,90,40) ellipse 7,11 2,5 0,360 ellipse 19,11 2,5 0,360
fill $ink stroke none circle 11,10 11,11 circle 15,10 15,11 circle 13,14 13,15 line 39,12 43,6"
motif いのしし.PNG "fill rgb(110,70,40) stroke $ink ellipse 26,13 15,8 0,360 polygon 4,12 12,6 12,19
fill rgb(250,200,170) ellipse 5,13 2,3 0,360 fill white stroke none polygon 8,16 6,20 10,17
fill $ink circle 13,10 13,11 rectangle 16,20 19,22 rectangle 33,20 36,22"
motif かどまつ.PNG "fill rgb(40,150,80) stroke rgb(20,90,40) polygon 14,6 18,2 18,20 14,20 polygon 20,3 24,0 24,20 20,20
polygon 26,6 30,2 30,20 26,20 fill rgb(250,215,120) stroke $ink rectangle 11,16 33,22
line 11,19 33,19 fill rgb(20,90,40) stroke none polygon 8,14 12,10 12,16 polygon 36,14 32,10 32,16"
motif こま.PNG "fill $red stroke $ink polygon 22,2 38,12 22,20 6,12 fill rgb(250,215,120) polygon 14,7 30,7 36,11 8,11
fill rgb(40,150,80) polygon 8,13 36,13 30,17 14,17 stroke $ink line 22,0 22,2 line 22,20 22,22"
motif もち.PNG "fill $red stroke $ink rectangle 8,19 36,22 fill white ellipse 22,15 13,4 0,360
ellipse 22,9 10,4 0,360 fill rgb(250,150,0) circle 22,3 22,6
fill rgb(40,150,80) stroke none polygon 22,0 27,1 23,2"
motif ゆき.PNG "fill rgb(200,225,250) rectangle 0,0 44,22 fill white stroke rgb(120,140,160) circle 22,16 22,22
circle 22,7 22,12 fill $red polygon 17,3 27,3 25,0 19,0 fill $ink stroke none circle 20,7 20,8
circle 24,7 24,8 fill rgb(250,150,0) rectangle 22,9 25,9"

# --- number plates --------------------------------------------------------------------------
plate() { # plate FILE FILL BORDER
    out "$1" -size 80x40 xc:"rgb(200,200,200)" +antialias -draw "fill $2 stroke $3
roundrectangle 1,1 78,38 5,5 fill rgb(170,170,170) stroke rgb(90,90,90)
circle 11,7 11,9 circle 68,7 68,9"
}
plate no1.png white "rgb(0,64,0)"
plate no2.png "rgb(0,64,0)" white
plate no3.png "rgb(255,255,0)" black
plate no4.png black "rgb(255,255,0)"
