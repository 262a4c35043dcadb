// Stand-ins for the socket in network tests: a receive function that plays
// a script of pieces and failures, a receive function with a short wait
// (a silent peer costs milliseconds, not a minute), and gzip members built
// to order.
#ifndef VELMORA_TESTS_NET_NETTESTSUPPORT_H
#define VELMORA_TESTS_NET_NETTESTSUPPORT_H

#include <cstdint>
#include <string>
#include <vector>

// One step of a scripted peer: bytes to hand out (over as many reads as the
// reader's lengths need), or one failed read when `fail` is set.
struct PeerStep {
  std::string bytes;
  bool fail = false;
};
PeerStep Fail();

// Plays `steps`; after the last one every read answers 0 (peer closed).
void SetScriptedPeer(std::vector<PeerStep> steps);
int ScriptedRecv(int32_t* socket, char* buffer, int32_t length, int32_t flags);
// How many reads the scripted peer has answered since it was set.
int ScriptedReads();

// Waits 50 ms instead of a minute; otherwise the real receive.
int ShortWaitRecv(int32_t* socket, char* buffer, int32_t length, int32_t flags);

// A gzip member of `data`; with `fileName`, the header carries it (FNAME).
std::string MakeGzip(const std::string& data, const std::string& fileName = "");
// Optional gzip header fields; a member carries those that are set.
struct GzipFields {
  std::string extra;    // FEXTRA (set when non-empty)
  std::string name;     // FNAME
  std::string comment;  // FCOMMENT
  bool headerCrc = false;  // FHCRC
};
std::string MakeGzipMember(const std::string& data, const GzipFields& fields);
// deflate data: zlib-wrapped (RFC 1950) or raw (RFC 1951).
std::string MakeDeflate(const std::string& data, bool zlibWrapped);
// `member` with its trailer's size field replaced.
std::string WithTrailerSize(std::string member, uint32_t size);

// "5\r\nhello\r\n...0\r\n\r\n" for the given chunk texts.
std::string MakeChunked(const std::vector<std::string>& chunks);

// Bytes 0..n-1 of a fixed pseudo-random pattern.
std::string PatternBytes(size_t n);

#endif
