#include "load/GameDigest.h"

#ifdef QUILLMERE_DIGEST_DISPATCH
// The system's library picks the widest vector instructions the processor has at run time; the
// digest is the same whichever it picks.
#include <xxh_x86dispatch.h>
#else
#define XXH_INLINE_ALL
#include <xxhash.h>
#endif

namespace quillmere::load {

GameDigest DigestOf(std::span<const std::uint8_t> bytes) {
#ifdef QUILLMERE_DIGEST_DISPATCH
    const XXH128_hash_t hash = XXH3_128bits_dispatch(bytes.data(), bytes.size());
#else
    const XXH128_hash_t hash = XXH3_128bits(bytes.data(), bytes.size());
#endif
    return {hash.high64, hash.low64};
}

}  // namespace quillmere::load
