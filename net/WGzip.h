// The gzip steps for "Content-Encoding: gzip" bodies: raw inflation of one
// gzip member with zlib, sized from the member's trailer.
//
// Only the 10-byte fixed header is skipped; a member whose header carries
// optional fields (a file name, say) fails to inflate. The trailer's size
// field is never trusted for more than the compressed bytes can really
// inflate to, and the output must match it exactly.
#ifndef VELMORA_NET_WGZIP_H
#define VELMORA_NET_WGZIP_H

#include <cstddef>
#include <cstdint>

#include "base/ResultCode.h"
#include "net/WBlockList.h"
#include "net/WBodySource.h"

// Bodies without a declared length are kept up to this many bytes.
inline constexpr size_t kGzipToCloseLimit = 1048576;
// Deflate cannot expand one input byte into more than about 1032 bytes.
inline constexpr uint64_t kMaxInflateRatio = 1032;

// Inflates the member into `out`, whose capacity is *outSize. 0 with
// *outSize set to the bytes produced, otherwise a (negative) zlib status.
int InflateGzipMember(size_t* outSize, char* out, const char* gzip, size_t count);

// The trailer's size field (ISIZE); 0 when the data is too short to hold one.
uint32_t GzipTrailerSize(const char* gzip, size_t count);

// Inflates a complete member into a buffer of `blocks`, sized from its
// trailer: 15 for a size of 0, an impossible size or too little data, 5 for
// a size of all ones or no memory, else the inflation's result.
int InflateWithTrailerSize(WBlockList& blocks, const char* gzip, size_t count, BodyBytes* out);

// For a gzip body with no declared length: reads until the peer closes
// (keeping at most 1 MiB) and inflates. No body (data null) when nothing
// came, the trailer size is outside 1..1048575, or inflation fails.
BodyBytes ReadToCloseAndInflate(WBlockList& blocks, const WBodySource& source, const char* initial,
                                size_t count);

#endif
