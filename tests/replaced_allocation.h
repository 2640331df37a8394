// What a test program that replaces the global allocation operators
// (tests/replaced_allocation.cpp) does with each allocation and release: it defines these two.
#ifndef ORVIK_TESTS_REPLACED_ALLOCATION_H
#define ORVIK_TESTS_REPLACED_ALLOCATION_H

#include <cstddef>

// Memory of size bytes, or std::bad_alloc thrown to fail the allocation.
void* testAllocate(std::size_t size);
void testRelease(void* p) noexcept;

#endif  // ORVIK_TESTS_REPLACED_ALLOCATION_H
