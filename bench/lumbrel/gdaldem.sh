# shellcheck shell=bash
# Lumbrel's peer, for the lumbrel and fullsize jobs: gdaldem making the colour image
# (color-relief) and the relief image (hillshade) from one height PNG, each written as a BMP.

# LumbrelRamp FILE: our colour ramp at the height codes of its control heights (code = 3 x
# square root of the metres), with the sea colour at code 0.
LumbrelRamp() {
    cat >"$1" <<'EOF'
0 135 180 198
1 141 225 57
30 187 237 137
42.43 220 245 194
51.96 224 216 188
67.08 209 196 154
94.87 230 176 104
134.16 170 150 79
164.32 182 149 185
212.13 255 255 255
255 255 255 255
EOF
}

# Gdaldem HEIGHTS RAMP FOLDER: colour.bmp and relief.bmp in FOLDER.
Gdaldem() {
    gdaldem color-relief -q -of BMP --config GDAL_PAM_ENABLED NO "$1" "$2" "$3/colour.bmp" &&
        gdaldem hillshade -q -of BMP --config GDAL_PAM_ENABLED NO "$1" "$3/relief.bmp"
}
