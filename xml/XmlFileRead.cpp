// Reading: detect the byte-order mark, else the declared encoding, in the
// first kilobyte; then read the rest as bytes or as UTF-16 units and convert.
// The file is read with one call; the first kilobyte is only looked at.
#include <algorithm>
#include <cstring>

#include "platform/Utf8Codec.h"
#include "xml/XmlEncoding.h"
#include "xml/XmlEncodingDeclaration.h"
#include "xml/XmlEncodingTable.h"
#include "xml/XmlFileHandle.h"
#include "xml/XmlFileIo.h"

namespace xmlenc {
namespace {

constexpr size_t kDetectionBytes = 1024;

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

void ReadUnits(std::string_view bytes, const ByteOrderMark& mark, XmlFileReadResult& result) {
  std::u16string units(bytes.size() / 2, u'\0');
  std::memcpy(units.data(), bytes.data(), units.size() * 2);
  size_t unitsRead = units.size();
  size_t nulls = RemoveNulUnits(units);
  result.records.push_back(EncodingLengthRecord(u"read", mark.name, unitsRead));
  if (nulls) result.records.push_back(CountRecord(u"nulls_removed", nulls));
  if (mark.flag == kFlagUtf16BE) {
    SwapUnitBytes(units);
    result.records.push_back(PlainRecord(u"endian_swap"));
  }
  result.text = std::move(units);
}

void ReadBytes(std::string& bytes, std::u16string encoding, XmlFileReadResult& result) {
  size_t bytesRead = bytes.size();
  size_t nulls = RemoveNulBytes(bytes);
  result.records.push_back(EncodingLengthRecord(u"read", encoding, bytesRead));
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
  std::string bytes(static_cast<size_t>(length), '\0');
  if (!file.ReadExactly(bytes.data(), bytes.size())) return result;

  Detection detection = Detect(std::string_view(bytes).substr(0, kDetectionBytes));
  if (detection.mark) {
    result.flags |= detection.mark->flag;
    result.records.push_back(PlainRecord(u"bom"));
    bytes.erase(0, detection.mark->bytes.size());
  }
  if (detection.mark && detection.mark->unitSize == 2)
    ReadUnits(bytes, *detection.mark, result);
  else
    ReadBytes(bytes, std::move(detection.encoding), result);
  file.Close();  // a failed close of a file read whole loses nothing; it is only logged
  result.ok = true;
  return result;
}

}  // namespace xmlenc
