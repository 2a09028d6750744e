#include "AllocationPeak.h"

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

// Each block carries its size in front, aligned as operator new must be.
constexpr size_t kHeader = alignof(std::max_align_t);

uint64_t live = 0;
uint64_t peak = 0;

void* Allocate(size_t size) noexcept {
    if (size > SIZE_MAX - kHeader) return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (!block) return nullptr;
    *reinterpret_cast<size_t*>(block) = size;
    live += size;
    if (live > peak) peak = live;
    return block + kHeader;
}

void Release(void* p) noexcept {
    if (!p) return;
    auto* block = static_cast<unsigned char*>(p) - kHeader;
    live -= *reinterpret_cast<size_t*>(block);
    std::free(block);
}

void* AllocateOrThrow(size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(size_t size) {
    return AllocateOrThrow(size);
}
void* operator new[](size_t size) {
    return AllocateOrThrow(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, size_t) noexcept {
    Release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    Release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    Release(p);
}

namespace inkvista::testing {

AllocationPeak::AllocationPeak() : start_(live) {
    peak = live;
}

AllocationPeak::~AllocationPeak() = default;

uint64_t AllocationPeak::Peak() const {
    return peak > start_ ? peak - start_ : 0;
}

}  // namespace inkvista::testing
