// The small built-in digit font of the code labels.
#pragma once

#include "fontx2sheet/picture.h"

#include <stdint.h>

#include <string>

const uint32_t LABEL_DIGIT_WIDTH = 3, LABEL_DIGIT_HEIGHT = 5, LABEL_DIGIT_ADVANCE = 4;

// The built-in label digits (3 x 5 pixels, 4 apart): the bitmap of a hex
// digit value, 5 rows top to bottom of 3 bits each, bit 2 leftmost.
const uint8_t *label_digit(uint32_t value);
// Pixels across a text of hex digits ('0'-'9', 'A'-'F') and spaces at a scale.
uint32_t label_text_width(const std::string &text, uint32_t scale);
// Draws the text with its top left at x, y; pixels outside the picture are left out.
void draw_label(Picture *picture, uint32_t x, uint32_t y, const std::string &text, uint32_t scale,
                uint32_t ink);
