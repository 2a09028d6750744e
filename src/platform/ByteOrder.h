// Numbers stored in a byte order of their own: big-endian in book files,
// little-endian in the option file, the registry and the handheld's bitmaps.
// Every access goes through these, whatever the host's own order.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace inkvista {
namespace byte_order_detail {

template <class T>
constexpr T Swap(T v) {
    if constexpr (sizeof(T) == 2) return static_cast<T>(__builtin_bswap16(v));
    if constexpr (sizeof(T) == 4) return static_cast<T>(__builtin_bswap32(v));
    if constexpr (sizeof(T) == 8) return static_cast<T>(__builtin_bswap64(v));
}

// In constant evaluation byte by byte; otherwise one unaligned access, which
// compilers turn into a single load or store (and a swap where needed).
template <class T, std::endian order>
constexpr T Load(const uint8_t* p) {
    if (std::is_constant_evaluated()) {
        T v = 0;
        for (size_t i = 0; i < sizeof(T); ++i) {
            const size_t shift = order == std::endian::little ? i : sizeof(T) - 1 - i;
            v = static_cast<T>(v | static_cast<T>(T{p[i]} << (8 * shift)));
        }
        return v;
    }
    T v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native != order) v = Swap(v);
    return v;
}

template <class T, std::endian order>
constexpr void Store(uint8_t* p, T v) {
    if (std::is_constant_evaluated()) {
        for (size_t i = 0; i < sizeof(T); ++i) {
            const size_t shift = order == std::endian::little ? i : sizeof(T) - 1 - i;
            p[i] = static_cast<uint8_t>(v >> (8 * shift));
        }
        return;
    }
    if constexpr (std::endian::native != order) v = Swap(v);
    std::memcpy(p, &v, sizeof v);
}

}  // namespace byte_order_detail

constexpr uint16_t LoadLE16(const uint8_t* p) {
    return byte_order_detail::Load<uint16_t, std::endian::little>(p);
}
constexpr uint32_t LoadLE32(const uint8_t* p) {
    return byte_order_detail::Load<uint32_t, std::endian::little>(p);
}
constexpr uint64_t LoadLE64(const uint8_t* p) {
    return byte_order_detail::Load<uint64_t, std::endian::little>(p);
}
constexpr uint16_t LoadBE16(const uint8_t* p) {
    return byte_order_detail::Load<uint16_t, std::endian::big>(p);
}
constexpr uint32_t LoadBE32(const uint8_t* p) {
    return byte_order_detail::Load<uint32_t, std::endian::big>(p);
}
constexpr uint64_t LoadBE64(const uint8_t* p) {
    return byte_order_detail::Load<uint64_t, std::endian::big>(p);
}

constexpr void StoreLE16(uint8_t* p, uint16_t v) {
    byte_order_detail::Store<uint16_t, std::endian::little>(p, v);
}
constexpr void StoreLE32(uint8_t* p, uint32_t v) {
    byte_order_detail::Store<uint32_t, std::endian::little>(p, v);
}
constexpr void StoreLE64(uint8_t* p, uint64_t v) {
    byte_order_detail::Store<uint64_t, std::endian::little>(p, v);
}
constexpr void StoreBE16(uint8_t* p, uint16_t v) {
    byte_order_detail::Store<uint16_t, std::endian::big>(p, v);
}
constexpr void StoreBE32(uint8_t* p, uint32_t v) {
    byte_order_detail::Store<uint32_t, std::endian::big>(p, v);
}

}  // namespace inkvista
