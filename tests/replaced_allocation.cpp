// The global allocation operators of a test program that counts or fails its allocations: each
// calls the program's own testAllocate and testRelease (tests/replaced_allocation.h). Built into
// each such program, which keeps apart from the others for it.
#include "replaced_allocation.h"

void* operator new(std::size_t size) {
    return testAllocate(size);
}
void* operator new[](std::size_t size) {
    return testAllocate(size);
}
void operator delete(void* p) noexcept {
    testRelease(p);
}
void operator delete[](void* p) noexcept {
    testRelease(p);
}
void operator delete(void* p, std::size_t) noexcept {
    testRelease(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    testRelease(p);
}
