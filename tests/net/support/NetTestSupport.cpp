#include "tests/net/support/NetTestSupport.h"

#include <poll.h>
#include <sys/socket.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>

namespace {

std::deque<PeerStep>& Script() {
  static std::deque<PeerStep> steps;
  return steps;
}
int g_reads = 0;

void PutLittleEndian(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::string RawDeflate(const std::string& data) {
  z_stream stream{};
  deflateInit2(&stream, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, data.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

}  // namespace

PeerStep Fail() { return PeerStep{{}, true}; }

void SetScriptedPeer(std::vector<PeerStep> steps) {
  Script().assign(steps.begin(), steps.end());
  g_reads = 0;
}

int ScriptedReads() { return g_reads; }

int ScriptedRecv(int32_t*, char* buffer, int32_t length, int32_t) {
  ++g_reads;
  auto& script = Script();
  if (script.empty()) return 0;
  PeerStep& step = script.front();
  if (step.fail) {
    script.pop_front();
    return -2;
  }
  size_t n = std::min<size_t>(static_cast<size_t>(std::max(length, 0)), step.bytes.size());
  std::memcpy(buffer, step.bytes.data(), n);
  step.bytes.erase(0, n);
  if (step.bytes.empty()) script.pop_front();
  return static_cast<int>(n);
}

int ShortWaitRecv(int32_t* socket, char* buffer, int32_t length, int32_t flags) {
  pollfd entry{*socket, POLLIN, 0};
  if (poll(&entry, 1, 50) <= 0) return -2;
  return static_cast<int>(recv(*socket, buffer, static_cast<size_t>(length), flags));
}

std::string MakeGzip(const std::string& data, const std::string& fileName) {
  std::string out = {'\x1f', '\x8b', 8, static_cast<char>(fileName.empty() ? 0 : 8), 0, 0, 0, 0, 0, 3};
  if (!fileName.empty()) out.append(fileName).push_back('\0');
  out += RawDeflate(data);
  PutLittleEndian(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()),
                                                   static_cast<uInt>(data.size()))));
  PutLittleEndian(out, static_cast<uint32_t>(data.size()));
  return out;
}

std::string MakeGzipMember(const std::string& data, const GzipFields& fields) {
  char flags = static_cast<char>((fields.headerCrc ? 2 : 0) | (fields.extra.empty() ? 0 : 4) |
                                 (fields.name.empty() ? 0 : 8) | (fields.comment.empty() ? 0 : 16));
  std::string out = {'\x1f', '\x8b', 8, flags, 0, 0, 0, 0, 0, 3};
  if (!fields.extra.empty()) {
    out.push_back(static_cast<char>(fields.extra.size() & 0xFF));
    out.push_back(static_cast<char>(fields.extra.size() >> 8));
    out += fields.extra;
  }
  if (!fields.name.empty()) out.append(fields.name).push_back('\0');
  if (!fields.comment.empty()) out.append(fields.comment).push_back('\0');
  if (fields.headerCrc) {
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(out.data()), static_cast<uInt>(out.size()));
    out.push_back(static_cast<char>(crc & 0xFF));
    out.push_back(static_cast<char>((crc >> 8) & 0xFF));
  }
  out += RawDeflate(data);
  PutLittleEndian(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()),
                                                   static_cast<uInt>(data.size()))));
  PutLittleEndian(out, static_cast<uint32_t>(data.size()));
  return out;
}

std::string MakeDeflate(const std::string& data, bool zlibWrapped) {
  if (!zlibWrapped) return RawDeflate(data);
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
            static_cast<uLong>(data.size()), 9);
  out.resize(size);
  return out;
}

std::string WithTrailerSize(std::string member, uint32_t size) {
  member.resize(member.size() - 4);
  PutLittleEndian(member, size);
  return member;
}

std::string MakeChunked(const std::vector<std::string>& chunks) {
  std::string out;
  char size[32];
  for (const std::string& chunk : chunks) {
    std::snprintf(size, sizeof size, "%zx\r\n", chunk.size());
    out.append(size).append(chunk).append("\r\n");
  }
  return out + "0\r\n\r\n";
}

std::string PatternBytes(size_t n) {
  std::string out(n, '\0');
  uint32_t state = 12345;
  for (char& c : out) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 16);
  }
  return out;
}
