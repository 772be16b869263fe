#include "library/substring.h"

#include <cstring>
#include <immintrin.h>
// The C library's header of what it learnt of the processor is written in C: its `_Bool` is
// C++'s `bool`.
#define _Bool bool
#include <sys/platform/x86.h>
#undef _Bool

namespace dorvantile {
namespace {

/// Whether the bytes of `piece` between its first and its last stand at `at`.
inline bool middleMatches(const char* at, std::string_view piece) {
    return piece.size() <= 2 || std::memcmp(at + 1, piece.data() + 1, piece.size() - 2) == 0;
}

std::size_t findSse2(std::string_view text, std::string_view piece, std::size_t& done) {
    const std::size_t last = piece.size() - 1;
    const __m128i first = _mm_set1_epi8(piece.front()), end = _mm_set1_epi8(piece.back());
    std::size_t at = 0;
    for (; at + last + 16 <= text.size(); at += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
        const __m128i b =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at + last));
        auto bits = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, end))));
        for (; bits != 0; bits &= bits - 1) {
            const std::size_t place = at + static_cast<unsigned>(__builtin_ctz(bits));
            if (middleMatches(text.data() + place, piece))
                return place;
        }
    }
    done = at;
    return std::string_view::npos;
}

__attribute__((target("avx2"))) std::size_t findAvx2(std::string_view text, std::string_view piece,
                                                     std::size_t& done) {
    const std::size_t last = piece.size() - 1;
    const __m256i first = _mm256_set1_epi8(piece.front()), end = _mm256_set1_epi8(piece.back());
    std::size_t at = 0;
    for (; at + last + 32 <= text.size(); at += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text.data() + at));
        const __m256i b =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text.data() + at + last));
        auto bits = static_cast<unsigned>(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, end))));
        for (; bits != 0; bits &= bits - 1) {
            const std::size_t place = at + static_cast<unsigned>(__builtin_ctz(bits));
            if (middleMatches(text.data() + place, piece))
                return place;
        }
    }
    done = at;
    return std::string_view::npos;
}

// From what the C library learnt of the processor as the program started: asking the
// processor again costs tens of microseconds in a virtual machine, where each question traps.
const bool avx2 = CPU_FEATURE_ACTIVE(AVX2);

} // namespace

std::size_t findPiece(std::string_view text, std::string_view piece) {
    if (piece.size() > text.size())
        return std::string_view::npos;
    if (piece.size() == 1) {
        const void* found = std::memchr(text.data(), piece.front(), text.size());
        return found ? static_cast<std::size_t>(static_cast<const char*>(found) - text.data())
                     : std::string_view::npos;
    }
    std::size_t done = 0;
    const std::size_t found = avx2 ? findAvx2(text, piece, done) : findSse2(text, piece, done);
    if (found != std::string_view::npos)
        return found;
    // The end, shorter than a block: byte by byte.
    const std::size_t rest = text.substr(done).find(piece);
    return rest == std::string_view::npos ? rest : done + rest;
}

} // namespace dorvantile
