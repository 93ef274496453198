// The settings-driven route of GetPicture. Until the compositor is wired in,
// special processing is never taken and every picture goes the plain way.
#include "plugin/plugin.h"

int composite_path(int, void **, void **, const uint8_t *, uint64_t, uint8_t *, uint32_t, uint32_t,
                   const uint32_t *, const PictureRecord *, int) {
    return COMPOSITE_DECLINED;
}
