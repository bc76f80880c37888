// Every block that the test program linking this file frees through operator delete is filled with small,
// different multiples of 4096 first and kept aside for the next 4096 frees before it is reused: whatever still
// reads an object after it was freed finds pointers into memory that is not there (and crashes at once) and
// vectors of a few elements, instead of the object it knew.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

// The size goes before the block; the header keeps the block aligned as malloc aligns.
constexpr std::size_t kHeader = 16;
constexpr std::size_t kKept = 4096;

std::array<void*, kKept> kept{};
std::size_t next = 0;

void Poison(unsigned char* p, std::size_t size) {
    for (std::size_t i = 0; i + sizeof(std::uintptr_t) <= size; i += sizeof(std::uintptr_t)) {
        std::uintptr_t word = 0x1000 * (i / sizeof(std::uintptr_t) + 1);
        *reinterpret_cast<std::uintptr_t*>(p + i) = word;
    }
}

}  // namespace

void* operator new(std::size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(kHeader + (size ? size : 1)));
    if (!block)
        throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(block) = size;
    return block + kHeader;
}

void operator delete(void* p) noexcept {
    if (!p)
        return;
    auto* block = static_cast<unsigned char*>(p) - kHeader;
    Poison(static_cast<unsigned char*>(p), *reinterpret_cast<std::size_t*>(block));
    std::free(kept[next]);
    kept[next] = block;
    next = (next + 1) % kKept;
}

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
