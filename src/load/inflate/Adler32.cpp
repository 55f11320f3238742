#include "load/inflate/Adler32.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define QUILLMERE_ADLER_AVX2 1
#endif

namespace quillmere::load::inflate {

namespace {

// Sixteen bytes a step in vector lanes, which every compiler here maps to the processor's own
// vector registers (or, where there are none, to plain code): each lane sums its bytes, and the
// sums of the sums, which is what `b` adds up, in 16-bit lanes for kInner steps, then in 32-bit ones.
using Bytes16 = std::uint8_t __attribute__((vector_size(16)));
using Shorts8 = std::uint16_t __attribute__((vector_size(16)));
using Words4 = std::uint32_t __attribute__((vector_size(16)));

// Interleaving with zero bytes widens each lane; that its low half comes first is little-endian.
static_assert(std::endian::native == std::endian::little);

constexpr std::uint32_t kModulus = 65521;
constexpr std::size_t kStep = 16;
// 16-bit lanes hold kInner steps' sums of sums: 255 * 16 * 17 / 2 < 65536.
constexpr std::size_t kInner = 16;
// Steps between two reductions, so that no 32-bit sum can overflow (5552 bytes, as zlib's NMAX).
constexpr std::size_t kOuterSteps = 5552 / (kStep * kInner) * kInner;

void addWidened(Words4* sums, Shorts8 v) {
    const Shorts8 zero = {};
    sums[0] += reinterpret_cast<Words4>(__builtin_shufflevector(v, zero, 0, 8, 1, 9, 2, 10, 3, 11));
    sums[1] += reinterpret_cast<Words4>(__builtin_shufflevector(v, zero, 4, 12, 5, 13, 6, 14, 7, 15));
}

#ifdef QUILLMERE_ADLER_AVX2
__attribute__((target("avx2"))) std::uint64_t laneSum(__m256i lanes) {
    alignas(32) std::uint32_t words[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(words), lanes);
    std::uint64_t sum = 0;
    for (const std::uint32_t word : words) sum += word;
    return sum;
}

// 32 bytes a step with AVX2, for the processors that have it: a sum of absolute differences with
// zero sums each step's bytes, a multiply-add with the weights 32 down to 1 sums them weighted by
// the places left in their step. Every byte but the last 31 is taken.
__attribute__((target("avx2"))) void addWide(std::uint64_t& a, std::uint64_t& b, const std::uint8_t*& bytes,
                                             std::size_t& count) {
    constexpr std::size_t kWide = 32;
    // 32-bit lanes hold the runs of this many steps: 2040 * 1024 * 1023 / 2 < 2^32.
    constexpr std::size_t kMaxSteps = 1024;
    const __m256i weights = _mm256_setr_epi8(32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14,
                                             13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
    const __m256i ones = _mm256_set1_epi16(1);
    const __m256i zero = _mm256_setzero_si256();
    while (count >= kWide) {
        const std::size_t steps = std::min(count / kWide, kMaxSteps);
        __m256i sums = zero;      // the bytes of the steps so far
        __m256i runs = zero;      // over the steps, `sums` before each
        __m256i weighted = zero;  // each byte times the places left in its step
        for (std::size_t k = 0; k < steps; ++k, bytes += kWide) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
            runs = _mm256_add_epi32(runs, sums);
            sums = _mm256_add_epi32(sums, _mm256_sad_epu8(v, zero));
            weighted = _mm256_add_epi32(weighted, _mm256_madd_epi16(_mm256_maddubs_epi16(v, weights), ones));
        }
        b = (b + a * kWide * steps + laneSum(runs) * kWide + laneSum(weighted)) % kModulus;
        a = (a + laneSum(sums)) % kModulus;
        count -= steps * kWide;
    }
}
#endif

}  // namespace

Adler32::Adler32(AdlerPath path) {
#ifdef QUILLMERE_ADLER_AVX2
    m_wide = path == AdlerPath::Widest && __builtin_cpu_supports("avx2");
#else
    (void)path;
#endif
}

void Adler32::add(const std::uint8_t* bytes, std::size_t count) {
    std::uint64_t a = m_a;
    std::uint64_t b = m_b;
#ifdef QUILLMERE_ADLER_AVX2
    if (m_wide) addWide(a, b, bytes, count);
#endif
    while (count >= kStep * kInner) {
        const std::size_t steps = std::min(count / (kStep * kInner) * kInner, kOuterSteps);
        Words4 sums[4] = {};  // lane j: the sum of every step's byte j
        Words4 runs[4] = {};  // lane j: the sum, over the steps, of byte j's sum before that step
        for (std::size_t done = 0; done < steps; done += kInner) {
            Shorts8 low = {};
            Shorts8 high = {};
            Shorts8 lowRuns = {};
            Shorts8 highRuns = {};
            const Bytes16 zero = {};
            for (std::size_t k = 0; k < kInner; ++k, bytes += kStep) {
                Bytes16 v;
                std::memcpy(&v, bytes, kStep);
                lowRuns += low;
                highRuns += high;
                low += reinterpret_cast<Shorts8>(
                    __builtin_shufflevector(v, zero, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23));
                high += reinterpret_cast<Shorts8>(
                    __builtin_shufflevector(v, zero, 8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31));
            }
            for (int j = 0; j < 4; ++j) runs[j] += sums[j] * static_cast<std::uint32_t>(kInner);
            addWidened(runs, lowRuns);
            addWidened(runs + 2, highRuns);
            addWidened(sums, low);
            addWidened(sums + 2, high);
        }
        // Byte j of a step enters `b` once for itself in each of the 16 - j places left in the
        // step, and once per later step through the runs.
        std::uint64_t byteSum = 0;
        std::uint64_t weighted = 0;
        std::uint64_t runSum = 0;
        for (std::size_t j = 0; j < kStep; ++j) {
            const std::uint32_t sum = sums[j / 4][j % 4];
            byteSum += sum;
            weighted += (kStep - j) * sum;
            runSum += runs[j / 4][j % 4];
        }
        b = (b + a * kStep * steps + runSum * kStep + weighted) % kModulus;
        a = (a + byteSum) % kModulus;
        count -= steps * kStep;
    }
    for (; count > 0; --count) {
        a += *bytes++;
        b += a;
    }
    m_a = static_cast<std::uint32_t>(a % kModulus);
    m_b = static_cast<std::uint32_t>(b % kModulus);
}

}  // namespace quillmere::load::inflate
