// WChunk: decoder of "Transfer-Encoding: chunked" bodies, read straight from
// the socket.
//
// Size lines are read quirkily on purpose: every character of the line is a
// hex digit position, and characters that are not hex digits count as 0, so
// a chunk extension ("5;x=y") yields a wrong size. A zero size ends decoding;
// trailer lines are not read. After each chunk's data the next two bytes are
// skipped unchecked (its closing line end) — waiting for them when they have
// not arrived yet. Five failed reads in a row end decoding quietly, and what
// arrived so far is the body.
#ifndef VELMORA_NET_WCHUNK_H
#define VELMORA_NET_WCHUNK_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "net/WBlockList.h"
#include "net/WBodySource.h"

// The work buffer: bytes received but not yet consumed.
inline constexpr size_t kChunkWorkSize = 92160;
// Size lines are read in steps of this many bytes.
inline constexpr size_t kChunkLineRead = 3072;

// The size of a chunk from its size line (without the line end).
uint64_t ParseChunkSize(std::string_view line);

// Decodes the chunked body that begins with `initial` (the body bytes that
// came with the head) and continues on the socket. The joined body is
// allocated in `blocks`. A length of 0 means failure: no data, a size line
// longer than the work buffer, or a body beyond `limit`.
BodyBytes DecodeChunked(WBlockList& blocks, const WBodySource& source, const char* initial,
                        size_t count, size_t limit = kMaxInMemoryBody);

#endif
