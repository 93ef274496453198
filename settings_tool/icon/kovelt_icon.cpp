// Builds the tool's icon file from the pixel maps below: a glyph sheet (white
// glyphs in grid cells) over a strip of palette swatches, which is what the
// tool edits and shows. Runs on the build machine; writes one .ico with a
// 32 x 32 image in 256 colours and a 16 x 16 image in 16 colours.
#include "common/row_stride.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <vector>

namespace {

// One character per pixel, top row first; ' ' is transparent.
const char *const LARGE[32] = {
    "                                ", " ++++++++++++++++++++++++++++++ ",
    " +.........+.........+........+ ", " +.#######.+.#.....#.+..#####.+ ",
    " +.#.......+..#...#..+.#.....#+ ", " +.#.......+...#.#...+.......#+ ",
    " +.#####...+....#....+..#####.+ ", " +.#.......+...#.#...+.#......+ ",
    " +.#.......+..#...#..+.#......+ ", " +.#.......+.#.....#.+.######.+ ",
    " +.........+.........+........+ ", " ++++++++++++++++++++++++++++++ ",
    " +.........+oooooooooo........+ ", " +....#....+o..#.....o..###...+ ",
    " +...#.#...+o#######.o.#...#..+ ", " +..#...#..+o..#.#...o.#......+ ",
    " +..#...#..+o.#####..o.#.###..+ ", " +..#####..+o#.#.#.#.o.#...#..+ ",
    " +..#...#..+o#.##..#.o.#...#..+ ", " +..#...#..+o.#...#..o..###...+ ",
    " +.........+oooooooooo........+ ", " ++++++++++++++++++++++++++++++ ",
    "                                ", " rrrRRRyyyYYYgggGGGcccbbbBBBmmm ",
    " rrrRRRyyyYYYgggGGGcccbbbBBBmmm ", " rrrRRRyyyYYYgggGGGcccbbbBBBmmm ",
    " rrrRRRyyyYYYgggGGGcccbbbBBBmmm ", " 000111222333444555666777888999 ",
    " 000111222333444555666777888999 ", " 000111222333444555666777888999 ",
    " 000111222333444555666777888999 ", "                                ",
};

const char *const SMALL[16] = {
    "+++++++++++++++ ", "+......+......+ ", "+.####.+.###..+ ", "+.#....+....#.+ ",
    "+.###..+..##..+ ", "+.#....+.#....+ ", "+.#....+.####.+ ", "+......+......+ ",
    "+++++++++++++++ ", "                ", "rrrryyyyggggbbbb", "rrrryyyyggggbbbb",
    "rrrryyyyggggbbbb", "0000555511119999", "0000555511119999", "                ",
};

struct Ink {
    char key;
    uint32_t rgb; // 0xRRGGBB
};

// The order is the colour table's order; index 0 is what transparent pixels
// carry under the mask.
const Ink INKS[] = {
    {' ', 0x000000}, {'.', 0x101828}, {'#', 0xFFFFFF}, {'+', 0x6070A0}, {'o', 0xFFD040},
    {'r', 0xE03030}, {'R', 0xFF8080}, {'y', 0xE0C020}, {'Y', 0xFFF080}, {'g', 0x30B040},
    {'G', 0x90E090}, {'c', 0x30C0D0}, {'b', 0x3050E0}, {'B', 0x90A0FF}, {'m', 0xC040C0},
    {'0', 0x000000}, {'1', 0x202020}, {'2', 0x404040}, {'3', 0x606060}, {'4', 0x808080},
    {'5', 0x9C9C9C}, {'6', 0xB8B8B8}, {'7', 0xD0D0D0}, {'8', 0xE8E8E8}, {'9', 0xFFFFFF},
};
const int INK_COUNT = sizeof INKS / sizeof INKS[0];

int ink_index(char key) {
    for (int i = 0; i < INK_COUNT; ++i)
        if (INKS[i].key == key) return i;
    return -1;
}

void put16(std::vector<uint8_t> &out, uint32_t v) {
    out.push_back((uint8_t)v);
    out.push_back((uint8_t)(v >> 8));
}
void put32(std::vector<uint8_t> &out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// The image as stored in an icon: header (height doubled for the mask),
// colour table, colour rows bottom-up, then the 1-bit transparency mask.
// The small image has its own 16-entry table: its inks are remapped to the
// first 16 that it uses.
bool encode_image(const char *const *rows, int size, int bits, std::vector<uint8_t> &out) {
    int table_size = 1 << bits;
    std::vector<int> table; // INKS index per table entry
    table.push_back(0);
    std::vector<int> pixel(size * size);
    for (int y = 0; y < size; ++y) {
        if ((int)strlen(rows[y]) != size) return false;
        for (int x = 0; x < size; ++x) {
            int ink = ink_index(rows[y][x]);
            if (ink < 0) return false;
            int entry = -1;
            for (int e = 0; e < (int)table.size(); ++e)
                if (table[e] == ink) entry = e;
            if (entry < 0) {
                if ((int)table.size() == table_size) return false;
                entry = (int)table.size();
                table.push_back(ink);
            }
            pixel[y * size + x] = entry;
        }
    }
    const int colour_stride = (int)row_stride((uint64_t)size, (uint32_t)bits, DIB_ROW_ALIGNMENT);
    const int mask_stride = (int)row_stride((uint64_t)size, 1, DIB_ROW_ALIGNMENT);
    put32(out, 40);
    put32(out, size);
    put32(out, size * 2);
    put16(out, 1);
    put16(out, bits);
    put32(out, 0);
    put32(out, (colour_stride + mask_stride) * size);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (int e = 0; e < table_size; ++e) put32(out, e < (int)table.size() ? INKS[table[e]].rgb : 0);
    for (int y = size - 1; y >= 0; --y) {
        std::vector<uint8_t> row(colour_stride, 0);
        for (int x = 0; x < size; ++x) {
            int bit = x * bits;
            row[bit / 8] |= (uint8_t)(pixel[y * size + x] << (8 - bits - bit % 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = size - 1; y >= 0; --y) {
        std::vector<uint8_t> row(mask_stride, 0);
        for (int x = 0; x < size; ++x)
            if (rows[y][x] == ' ') row[x / 8] |= (uint8_t)(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return true;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) return 2;
    std::vector<uint8_t> large, small;
    if (!encode_image(LARGE, 32, 8, large) || !encode_image(SMALL, 16, 4, small)) return 1;
    std::vector<uint8_t> file;
    put16(file, 0);
    put16(file, 1); // icon
    put16(file, 2);
    uint32_t offset = 6 + 2 * 16;
    const struct {
        int size, bits;
        const std::vector<uint8_t> *data;
    } images[2] = {{32, 8, &large}, {16, 4, &small}};
    for (const auto &image : images) {
        file.push_back((uint8_t)image.size);
        file.push_back((uint8_t)image.size);
        file.push_back(image.bits == 8 ? 0 : (uint8_t)(1 << image.bits)); // 0 means 256
        file.push_back(0);
        put16(file, 1);
        put16(file, image.bits);
        put32(file, (uint32_t)image.data->size());
        put32(file, offset);
        offset += (uint32_t)image.data->size();
    }
    for (const auto &image : images)
        file.insert(file.end(), image.data->begin(), image.data->end());
    FILE *f = fopen(argv[1], "wb");
    if (!f) return 1;
    bool ok = fwrite(file.data(), 1, file.size(), f) == file.size();
    return fclose(f) == 0 && ok ? 0 : 1;
}
