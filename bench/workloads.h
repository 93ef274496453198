// The decode workloads of the benchmark, shared by the Google Benchmark
// program (native) and the self-contained timing program (Windows build):
// GetPicture in memory mode on whole fonts, plain and composited, each beside
// its limit: a fresh local-heap block of the output pixel block's size,
// written once with memset and freed, plus one memcpy of the input.
#pragma once

#include <stdint.h>
#include <string>
#include <vector>

enum {
    BENCH_LIMIT = 0,               // the memory-bandwidth floor of the workload
    BENCH_PLAIN = 1,               // 1-bit sheet
    BENCH_DEFAULT = 2,             // composited with the tool's default settings
    BENCH_HEAVY = 3,               // grid, keying by index, alpha_128, brightness 1200
    BENCH_PLAIN_REFERENCE = 4,     // the bit-by-bit drawing, for scale
    BENCH_COMPOSITE_REFERENCE = 5, // the per-pixel routines, default settings
};

struct BenchRun {
    std::string workload; // "plain/ILGZ16XB": runs of one workload share a limit
    std::string label;    // "limit", "decode", "default", "heavy"
    int font;             // BENCH_FONT_*
    int single_column;
    int kind;        // BENCH_*
    int output_bits; // 1 or 24: sizes the limit's block
};

enum {
    BENCH_FONT_ILGZ16XB = 0, // real, double-byte 16 x 16: 1504 x 1504
    BENCH_FONT_DOUBLE32,     // synthetic double-byte 32 x 32: 3008 x 3008
    BENCH_FONT_DOUBLE12X24,  // synthetic double-byte 12 x 24: 1128 x 2256
    BENCH_FONT_ILGH24XB,     // real, single-byte 12 x 24: 192 x 384 (small)
    BENCH_FONT_UNICODE16,    // synthetic 16 x 16 in its own code order: 256 x 23040
    BENCH_FONT_BLOCKS16,     // synthetic 16 x 16, 6,000 blocks (count byte wrapped): 1504 x 1504
    BENCH_FONT_UNSORTED16,   // the same blocks in reverse table order
    BENCH_FONT_COUNT,
};

// Every run, each workload's limit first.
std::vector<BenchRun> bench_runs();

// The font's bytes; empty when a real font is not available.
const std::vector<uint8_t> &bench_font(int font);

// Stores the settings the run decodes with (one registry write; decoding
// then reads them as usual). False when the run cannot be made (no font, or
// the picture's size cannot be taken).
bool bench_prepare(const BenchRun &run);

// One iteration: one decode, or one limit. False when the decode failed.
bool bench_iterate(const BenchRun &run);

// Leaves the registry without the benchmark's settings.
void bench_finish();
