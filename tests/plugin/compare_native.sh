#!/usr/bin/env bash
# The Windows DLL under Wine and the native build decode every real font to
# the same BMP, byte for byte, in the grid and single-column layouts.
#   compare_native.sh NATIVE_SPIHOST WIN_SPIHOST DLL FONTS_DIR WORK_DIR
set -u
native=$1 host=$2 dll=$3 fonts=$4 work=$5
if [ ! -x "$native" ]; then echo "SKIP: no native build at $native"; exit 77; fi
if [ ! -f "$fonts/README.md" ]; then echo "SKIP: $fonts is absent"; exit 77; fi
mkdir -p "$work"
status=0
for font in "$fonts"/*.FNT "$fonts"/*.fnt; do
  [ -f "$font" ] || continue
  for column in 00 01; do
    # tag, size, then zeros up to single_column (byte 44), then zeros.
    order="00014000$(printf '00%.0s' $(seq 40))${column}$(printf '00%.0s' $(seq 19))"
    name=$(basename "$font")-$column
    "$native" --order "$order" --out "$work/$name-native.bmp" x "$font" >/dev/null || status=1
    "$(dirname "$0")/../../tools/wine-run" "$host" --order "$order" --out "$(winepath -w "$work/$name-wine.bmp" 2>/dev/null)" "$dll" "$font" >/dev/null || status=1
    if cmp -s "$work/$name-native.bmp" "$work/$name-wine.bmp"; then
      echo "same: $name"
    else
      echo "DIFFERENT: $name"; status=1
    fi
  done
done
exit $status
