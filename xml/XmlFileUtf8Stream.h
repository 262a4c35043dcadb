// Decodes UTF-8 that arrives in pieces, exactly as one decode of the whole
// would: a sequence cut at the end of a piece waits for the next piece.
//
// Reading a large UTF-8 file this way needs no buffer for the whole file;
// fresh memory is costly to touch, and the UTF-16 text is the only large
// buffer a load then writes.
#ifndef VELMORA_XML_XMLFILEUTF8STREAM_H
#define VELMORA_XML_XMLFILEUTF8STREAM_H

#include <string>
#include <string_view>

namespace xmlenc {

class Utf8Stream {
 public:
  // Appends the decoded text to `out`.
  explicit Utf8Stream(std::u16string& out) : out_(out) {}
  void Feed(std::string_view bytes);
  // Decodes what is still held back (an incomplete sequence at the very end).
  void Finish();

 private:
  std::u16string& out_;
  std::string held_;
};

// Offset where `bytes` may be cut so that both parts decode as the whole
// does: before a lead byte in the last three bytes whose sequence is
// incomplete, else the end.
size_t Utf8CutPoint(std::string_view bytes);

}  // namespace xmlenc

#endif
