// Writing: a byte-order mark when the flags carry one, else the encoding the
// text declares (UTF-8 when it declares none); the body goes out in one call.
#include <cstring>

#include "xml/XmlEncoding.h"
#include "xml/XmlEncodingDeclaration.h"
#include "xml/XmlEncodingTable.h"
#include "xml/XmlFileHandle.h"
#include "xml/XmlFileIo.h"

namespace xmlenc {
namespace {

// The bytes of the body and the units they hold.
struct Body {
  std::string bytes;
  size_t units = 0;
};

Body Utf16Body(std::u16string_view text, const ByteOrderMark& mark, XmlFileRecords& records) {
  Body body;
  body.bytes.resize(text.size() * 2);
  std::memcpy(body.bytes.data(), text.data(), body.bytes.size());
  if (mark.flag == kFlagUtf16BE) {
    for (size_t i = 0; i + 1 < body.bytes.size(); i += 2) std::swap(body.bytes[i], body.bytes[i + 1]);
    records.push_back(PlainRecord(u"endian_swap"));
  }
  body.units = text.size();
  return body;
}

Body ConvertedBody(std::u16string_view text, std::u16string_view encoding, XmlFileRecords& records) {
  EncodedText encoded = EncodeToCodePage(CodePageFromEncodingName(encoding), text);
  records.push_back(EncodingLengthRecord(u"converted_from", u"UTF-16", text.size()));
  if (encoded.lossy) records.push_back(PlainRecord(u"conversion_loss"));
  return Body{std::move(encoded.bytes), encoded.units};
}

}  // namespace

XmlFileWriteResult WriteXmlTextFile(std::u16string_view fileName, std::u16string_view text,
                                    int docFlags) {
  XmlFileWriteResult result;
  result.flags = docFlags;
  XmlFileHandle file(fileName, XmlFileHandle::Mode::Write, result.records);
  if (!file.IsOpen()) return result;

  const ByteOrderMark* mark = ByteOrderMarkForFlags(docFlags);
  std::u16string encoding;
  if (!mark && !text.empty()) {
    encoding = DeclaredEncoding(text);
    if (encoding.empty()) encoding = u"UTF-8";
    // Text declared UTF-16 goes out with its mark: without one no reader,
    // this one included, could tell its byte order, or that it is UTF-16.
    mark = ByteOrderMarkForCodePage(CodePageFromEncodingName(encoding));
  }
  if (mark) {
    if (!file.WriteAll(mark->bytes.data(), mark->bytes.size())) {
      file.Close();
      return result;
    }
    encoding = mark->name;
    result.records.push_back(PlainRecord(u"bom"));
  }

  if (text.empty()) {
    result.records.push_back(EncodingLengthRecord(u"write", encoding, 0));
    result.ok = file.Close();
    return result;
  }
  Body body = (mark && mark->unitSize == 2) ? Utf16Body(text, *mark, result.records)
                                            : ConvertedBody(text, encoding, result.records);
  if (!file.WriteAll(body.bytes.data(), body.bytes.size())) {
    file.Close();
    return result;
  }
  result.records.push_back(EncodingLengthRecord(u"write", encoding, body.units));
  // Buffered bytes reach the disk only at the close; a failure there is a
  // failed save, not a successful one.
  result.ok = file.Close();
  return result;
}

}  // namespace xmlenc
