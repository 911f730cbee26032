#include "tarnscan/fill.h"

#include <emmintrin.h>

namespace tarnscan {

__attribute__((target("sse2"))) void FillBytes(uint8_t* destination, uint8_t value, size_t count) {
    size_t i = 0;
    while (i < count && (reinterpret_cast<uintptr_t>(destination + i) & 15) != 0)
        destination[i++] = value;
    const __m128i pattern = _mm_set1_epi8(static_cast<char>(value));
    for (; i + 64 <= count; i += 64) {
        _mm_store_si128(reinterpret_cast<__m128i*>(destination + i), pattern);
        _mm_store_si128(reinterpret_cast<__m128i*>(destination + i + 16), pattern);
        _mm_store_si128(reinterpret_cast<__m128i*>(destination + i + 32), pattern);
        _mm_store_si128(reinterpret_cast<__m128i*>(destination + i + 48), pattern);
    }
    for (; i + 16 <= count; i += 16)
        _mm_store_si128(reinterpret_cast<__m128i*>(destination + i), pattern);
    for (; i < count; ++i)
        destination[i] = value;
}

}  // namespace tarnscan
