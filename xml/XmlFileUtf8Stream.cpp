// A byte from 0xC0 on never lies inside a well-formed sequence, so the
// decoder always stands on it: cutting just before it cannot change what
// either part decodes to.
#include "xml/XmlFileUtf8Stream.h"

#include "platform/Utf8Codec.h"

namespace xmlenc {
namespace {

constexpr size_t kLongestSequence = 4;

size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0) return lead <= 0xF7 ? 4 : 1;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

}  // namespace

size_t Utf8CutPoint(std::string_view bytes) {
  size_t size = bytes.size();
  size_t lowest = size >= kLongestSequence - 1 ? size - (kLongestSequence - 1) : 0;
  for (size_t i = size; i > lowest; --i) {
    auto byte = static_cast<unsigned char>(bytes[i - 1]);
    if (byte < 0x80) return size;  // an ASCII byte completes whatever came before
    if (byte >= 0xC0) return size - (i - 1) < SequenceLength(byte) ? i - 1 : size;
  }
  return size;
}

void Utf8Stream::Feed(std::string_view bytes) {
  std::string_view data = bytes;
  if (!held_.empty()) {
    held_.append(bytes);
    data = held_;
  }
  size_t cut = Utf8CutPoint(data);
  platform::AppendUtf8AsUtf16(data.substr(0, cut), out_);
  std::string rest(data.substr(cut));
  held_.swap(rest);
}

void Utf8Stream::Finish() {
  platform::AppendUtf8AsUtf16(held_, out_);
  held_.clear();
}

}  // namespace xmlenc
