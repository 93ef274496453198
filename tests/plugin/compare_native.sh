#!/usr/bin/env bash
# The Windows DLL under Wine and the native build decode real fonts to
# the same BMP, byte for byte, in the grid and single-column layouts.
#   compare_native.sh NATIVE_SPIHOST WIN_SPIHOST DLL FONTS_DIR WORK_DIR [FONT...]
# FONT names files of FONTS_DIR to compare; without any, every font there.
set -u
source "$(dirname "$0")/../../tools/wine-lib"
native=$1 host=$2 dll=$3 fonts=$4 work=$5
shift 5
if [ ! -x "$native" ]; then echo "SKIP: no native build at $native"; exit 77; fi
if [ ! -f "$fonts/README.md" ]; then echo "SKIP: $fonts is absent"; exit 77; fi
mkdir -p "$work"
status=0
chosen=()
for name in "$@"; do chosen+=("$fonts/$name"); done
[ $# -gt 0 ] || chosen=("$fonts"/*.FNT "$fonts"/*.fnt)
for font in "${chosen[@]}"; do
  if [ ! -f "$font" ]; then
    [ $# = 0 ] || { echo "MISSING: $font"; status=1; }
    continue
  fi
  for column in 00 01; do
    # tag, size, then zeros up to single_column (byte 44), then zeros.
    order="00014000$(printf '00%.0s' $(seq 40))${column}$(printf '00%.0s' $(seq 19))"
    name=$(basename "$font")-$column
    "$native" --order "$order" --out "$work/$name-native.bmp" x "$font" >/dev/null || status=1
    wine_exec "$host" --order "$order" --out "$(wine_windows_path "$work/$name-wine.bmp")" "$dll" "$font" >/dev/null || status=1
    if cmp -s "$work/$name-native.bmp" "$work/$name-wine.bmp"; then
      echo "same: $name"
    else
      echo "DIFFERENT: $name"; status=1
    fi
  done
done
exit $status
