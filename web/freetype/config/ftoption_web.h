/* FreeType's own options, less what the page has no use for: the build has
 * no system zlib, bzip2, libpng, HarfBuzz or Brotli, and reads no
 * Macintosh resource forks. Error strings are kept, so a message names the
 * cause. */
#ifndef FTOPTION_WEB_H_
#define FTOPTION_WEB_H_

#include <freetype/config/ftoption.h>

#undef FT_CONFIG_OPTION_SYSTEM_ZLIB
#undef FT_CONFIG_OPTION_USE_BZIP2
#undef FT_CONFIG_OPTION_USE_PNG
#undef FT_CONFIG_OPTION_USE_HARFBUZZ
#undef FT_CONFIG_OPTION_USE_BROTLI
#undef FT_CONFIG_OPTION_MAC_FONTS
#undef FT_CONFIG_OPTION_GUESSING_EMBEDDED_RFORK
#undef FT_CONFIG_OPTION_INCREMENTAL
#define FT_CONFIG_OPTION_ERROR_STRINGS

#endif
