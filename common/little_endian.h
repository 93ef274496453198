// Multi-byte loads in the drawing, the layout's coverage words, the raster
// conversion and the stored settings records copy bytes straight into host
// words: they hold on little-endian hosts only, so any other build stops here.
#pragma once

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "gridglyph reads multi-byte values as little-endian host words");
