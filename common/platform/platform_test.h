// Test controls of the portable platform layer (native builds only): heap
// allocation counting and failure injection, and an in-memory registry in
// which every operation can be made to fail.
#pragma once

#include <stdint.h>

// ---- Heap -------------------------------------------------------------------
// Reset the counters and disarm every failure.
void heap_test_reset();
// Make the k-th allocation from now fail (1 = the next one); 0 disarms.
void heap_test_fail_nth(uint64_t k);
// Make every allocation above this many bytes fail; 0 disarms.
void heap_test_fail_above(uint64_t bytes);
uint64_t heap_test_allocations(); // successful allocations since the reset
uint64_t heap_test_releases();    // frees of non-null blocks since the reset
uint64_t heap_test_failures();    // allocations refused since the reset

// ---- Files --------------------------------------------------------------------
// file_read calls and the bytes they delivered since the last reset.
void file_test_reset();
uint64_t file_test_reads();
uint64_t file_test_bytes_read();

// ---- Registry -----------------------------------------------------------------
// Forget every key and value and disarm every failure.
void registry_test_reset();

enum {
    REGISTRY_TEST_OPEN = 1,   // registry_open fails
    REGISTRY_TEST_CREATE = 2, // registry_create fails
    REGISTRY_TEST_SET = 4,    // registry_set fails (nothing is stored)
};
// Arm failures of whole operations (a bit set of the values above).
void registry_test_fail(unsigned operations);
// Make queries of one value name answer the given outcome (REGISTRY_FAILED or
// REGISTRY_MORE_DATA) whatever is stored; REGISTRY_READ disarms it.
void registry_test_fail_query(const char *name, int outcome);
// Number of registry_set calls that stored a value since the reset.
uint64_t registry_test_writes();
// Delete a key with its values (as another program might).
void registry_test_delete_key(const char *subkey);
