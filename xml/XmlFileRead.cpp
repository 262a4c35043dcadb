// Reading: detect the byte-order mark, else the declared encoding, in the
// first kilobyte; then read the rest as UTF-16 units or as bytes and convert.
//
// UTF-16 files are read straight into the text. UTF-8 files (the common
// case) are read and decoded piece by piece into the text, so no buffer the
// size of the file is ever touched; other encodings are read whole first,
// because their converters need the whole input at once.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/Utf8Codec.h"
#include "xml/XmlEncoding.h"
#include "xml/XmlEncodingDeclaration.h"
#include "xml/XmlEncodingTable.h"
#include "xml/XmlFileHandle.h"
#include "xml/XmlFileIo.h"
#include "xml/XmlFileUtf8Stream.h"

namespace xmlenc {
namespace {

constexpr size_t kDetectionBytes = 1024;
constexpr size_t kPieceBytes = size_t{1} << 20;
constexpr int kCpUtf8 = 65001;

// What the head of the file says about its encoding.
struct Detection {
  const ByteOrderMark* mark = nullptr;
  std::u16string encoding;
};

Detection Detect(std::string_view head) {
  Detection detection;
  detection.mark = DetectByteOrderMark(head);
  if (detection.mark) {
    detection.encoding = detection.mark->name;
    return detection;
  }
  std::u16string headText;
  platform::AppendUtf8AsUtf16(head, headText);
  detection.encoding = DeclaredEncoding(headText);
  if (detection.encoding.empty() && !head.empty() && head[0] == '<') detection.encoding = u"UTF-8";
  return detection;
}

// The body of the file: the bytes of the head after the mark, then the rest
// of the file.
struct Body {
  XmlFileHandle& file;
  std::string_view head;
  size_t rest;
  size_t Size() const { return head.size() + rest; }
};

bool ReadUnits(Body body, const ByteOrderMark& mark, XmlFileReadResult& result) {
  // Room for an odd last byte, which is dropped: it is half a unit.
  std::u16string units((body.Size() + 1) / 2, u'\0');
  auto* bytes = reinterpret_cast<char*>(units.data());
  std::memcpy(bytes, body.head.data(), body.head.size());
  if (!body.file.ReadExactly(bytes + body.head.size(), body.rest)) return false;
  units.resize(body.Size() / 2);
  size_t unitsRead = units.size();
  size_t nulls = RemoveNulUnits(units);
  result.records.push_back(EncodingLengthRecord(u"read", mark.name, unitsRead));
  if (nulls) result.records.push_back(CountRecord(u"nulls_removed", nulls));
  if (mark.flag == kFlagUtf16BE) {
    SwapUnitBytes(units);
    result.records.push_back(PlainRecord(u"endian_swap"));
  }
  result.text = std::move(units);
  return true;
}

bool ReadUtf8InPieces(Body body, std::u16string_view encoding, XmlFileReadResult& result) {
  std::u16string text;
  text.reserve(body.Size());  // never more units than bytes
  Utf8Stream stream(text);
  std::string piece(body.head);
  size_t nulls = RemoveNulBytes(piece);
  stream.Feed(piece);
  for (size_t left = body.rest; left > 0;) {
    piece.resize(std::min(left, kPieceBytes));
    if (!body.file.ReadExactly(piece.data(), piece.size())) return false;
    left -= piece.size();
    nulls += RemoveNulBytes(piece);
    stream.Feed(piece);
  }
  stream.Finish();
  result.records.push_back(EncodingLengthRecord(u"read", encoding, body.Size()));
  if (nulls) result.records.push_back(CountRecord(u"nulls_removed", nulls));
  result.text = std::move(text);
  result.records.push_back(EncodingLengthRecord(u"converted_to", u"UTF-16", result.text.size()));
  return true;
}

bool ReadBytesWhole(Body body, std::u16string encoding, XmlFileReadResult& result) {
  std::string bytes(body.Size(), '\0');
  std::memcpy(bytes.data(), body.head.data(), body.head.size());
  if (!body.file.ReadExactly(bytes.data() + body.head.size(), body.rest)) return false;
  size_t nulls = RemoveNulBytes(bytes);
  result.records.push_back(EncodingLengthRecord(u"read", encoding, body.Size()));
  if (nulls) result.records.push_back(CountRecord(u"nulls_removed", nulls));
  if (encoding.empty()) {
    if (PassesUtf8Test(bytes)) {
      encoding = u"UTF-8";
      XmlFileRecord update = PlainRecord(u"read");
      update.textAttr = u"encoding";
      update.text = encoding;
      update.updateFirst = true;
      result.records.push_back(std::move(update));
    }
    result.records.push_back(PlainRecord(u"utf8_detection"));
  }
  result.text = DecodeFromCodePage(CodePageFromEncodingName(encoding), bytes);
  result.records.push_back(EncodingLengthRecord(u"converted_to", u"UTF-16", result.text.size()));
  return true;
}

bool ReadBody(Body body, Detection detection, XmlFileReadResult& result) {
  if (detection.mark && detection.mark->unitSize == 2) return ReadUnits(body, *detection.mark, result);
  int codePage = CodePageFromEncodingName(detection.encoding);
  // A UTF-16 or UTF-32 name found by reading the head byte-wise is false:
  // such text would not have shown its declaration. The bytes are 8-bit, and
  // reading them in pairs or quads would only make nonsense of them.
  if (codePage == kCpUtf8 || (!detection.mark && IsWideCodePage(codePage)))
    return ReadUtf8InPieces(body, detection.encoding, result);
  return ReadBytesWhole(body, std::move(detection.encoding), result);
}

}  // namespace

XmlFileReadResult ReadXmlTextFile(std::u16string_view fileName, int docFlags) {
  XmlFileReadResult result;
  result.flags = docFlags & ~kMarkFlags;
  XmlFileHandle file(fileName, XmlFileHandle::Mode::Read, result.records);
  if (!file.IsOpen()) return result;
  int64_t length = file.Length();
  if (length < 0) return result;
  if (length == 0) {
    result.records.push_back(EncodingLengthRecord(u"read", u"", 0));
    file.Close();
    result.ok = true;
    return result;
  }
  std::string head(std::min(static_cast<size_t>(length), kDetectionBytes), '\0');
  if (!file.ReadExactly(head.data(), head.size())) return result;

  Detection detection = Detect(head);
  std::string_view afterMark = head;
  if (detection.mark) {
    result.flags |= detection.mark->flag;
    result.records.push_back(PlainRecord(u"bom"));
    afterMark.remove_prefix(detection.mark->bytes.size());
  }
  Body body{file, afterMark, static_cast<size_t>(length) - head.size()};
  if (!ReadBody(body, std::move(detection), result)) {
    result.text.clear();
    return result;
  }
  file.Close();  // a failed close of a file read whole loses nothing; it is only logged
  result.ok = true;
  return result;
}

}  // namespace xmlenc
