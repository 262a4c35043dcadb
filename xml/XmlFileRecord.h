// What a file operation reports: records for the document's result log, in
// the order they arose. The document turns them into log elements.
#ifndef VELMORA_XML_XMLFILERECORD_H
#define VELMORA_XML_XMLFILERECORD_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace xmlenc {

struct XmlFileRecord {
  std::u16string name;
  std::u16string textAttr;    // "encoding" or "msg"; empty: none
  std::u16string text;
  std::u16string numberAttr;  // "length", "count" or "n"; empty: none
  long long number = 0;
  // Set the attributes on the first record of this name already in the log
  // instead of appending a new one.
  bool updateFirst = false;
};

using XmlFileRecords = std::vector<XmlFileRecord>;

inline XmlFileRecord PlainRecord(std::u16string name) {
  XmlFileRecord record;
  record.name = std::move(name);
  return record;
}

inline XmlFileRecord EncodingLengthRecord(std::u16string name, std::u16string_view encoding,
                                          size_t length) {
  XmlFileRecord record = PlainRecord(std::move(name));
  record.textAttr = u"encoding";
  record.text = encoding;
  record.numberAttr = u"length";
  record.number = static_cast<long long>(length);
  return record;
}

inline XmlFileRecord CountRecord(std::u16string name, size_t count) {
  XmlFileRecord record = PlainRecord(std::move(name));
  record.numberAttr = u"count";
  record.number = static_cast<long long>(count);
  return record;
}

}  // namespace xmlenc

#endif
