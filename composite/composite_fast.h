// The compositor without its working buffer: background, keying, mixing,
// grid lines and packing are fused so that each output pixel is computed once
// and stored straight into the output rows. With an 8-bit source, mix_pixel
// runs once per (palette entry, background colour) pair instead of once per
// pixel: the background takes at most two colours (bg_colour1, bg_colour2),
// or one when plain or disabled.
//
// Output, result codes and the alpha preparation of a 32-bit source in place
// are those of composite_picture (which stays the per-pixel reference), byte
// for byte; the one difference is that nothing is allocated, so there is no
// allocation failure to report.
#pragma once

#include "common/settings/settings.h"

#include <stdint.h>

int composite_picture_fast(const SettingsRecord *settings, void *output, int32_t width,
                           int32_t height, int32_t output_depth, const uint32_t *palette,
                           uint32_t colour_count, void *source, int32_t source_stride,
                           int32_t source_depth);
