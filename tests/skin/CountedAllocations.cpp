#include "CountedAllocations.h"

#include <cstdlib>
#include <new>

std::atomic<long> liveAllocations{0};

void* operator new(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    ++liveAllocations;
    return p;
}

void operator delete(void* p) noexcept {
    if (p) {
        --liveAllocations;
        std::free(p);
    }
}

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
