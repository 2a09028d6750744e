// Buffers sized from a book. Every size a page record gives is untrusted: it
// is worked out in 64 bits, checked against one limit, and a size past the
// limit or an allocation that fails is the same answer, never an exception.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace inkvista {

// The most any one buffer of a page may take. A page that would need more is
// handled like a failed allocation.
#ifdef INKVISTA_FUZZ_PAGE_BYTES
// Fuzzing builds lower it: the paths at and past the limit stay the same and
// cost little to try.
inline constexpr uint64_t kMaxPageBytes = INKVISTA_FUZZ_PAGE_BYTES;
#else
inline constexpr uint64_t kMaxPageBytes = uint64_t{256} << 20;
#endif

// Leaves the bytes a resize adds as they are, for buffers every byte of which
// is written before it is read: clearing a large buffer costs as much as
// filling it.
template <class T>
struct UninitialisedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    UninitialisedAllocator() = default;
    template <class U>
    UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

using ScratchBytes = std::vector<uint8_t, UninitialisedAllocator<uint8_t>>;

enum class BufferStart {
    Zeroed,  // every byte 0
    // Bytes of any value; the caller writes every byte before reading it. The
    // buffer's own memory serves again when it is no more than twice the size
    // asked for: the pages of a book are mostly alike, and fresh memory costs
    // clearing and faulting in.
    Reused,
};

// Makes `buffer` hold `size` bytes. False, with `buffer` empty, when `size`
// passes kMaxPageBytes or the memory cannot be had.
template <class Bytes>
bool AllocatePageBuffer(Bytes& buffer, uint64_t size, BufferStart start = BufferStart::Zeroed) {
    if (start == BufferStart::Reused && size <= kMaxPageBytes && buffer.capacity() >= size &&
        buffer.capacity() / 2 <= size) {
        buffer.resize(static_cast<size_t>(size));
        return true;
    }
    buffer = Bytes();
    if (size > kMaxPageBytes) return false;
    try {
        if (start == BufferStart::Zeroed)
            buffer.assign(static_cast<size_t>(size), 0);
        else
            buffer.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        buffer = Bytes();
        return false;
    }
    return true;
}

}  // namespace inkvista
