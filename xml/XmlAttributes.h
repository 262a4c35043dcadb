// Attribute scanning of a start tag: the tokens after the tag name, read the
// same way by every attribute read and by SetAttrib.
#ifndef VELMORA_XML_XMLATTRIBUTES_H
#define VELMORA_XML_XMLATTRIBUTES_H

#include <cstddef>
#include <string_view>

struct XmlAttrib {
  std::size_t nameStart = 0;
  std::size_t nameEnd = 0;
  bool hasValue = false;      // a value token followed '=' (else the value is the name)
  bool quoted = false;        // the value token had quotes
  std::size_t valueStart = 0; // inside the quotes when quoted
  std::size_t valueEnd = 0;
  std::size_t tokenEnd = 0;   // just after the attribute's last token (closing quote included)
  std::u16string_view Name(std::u16string_view text) const {
    return text.substr(nameStart, nameEnd - nameStart);
  }
  std::u16string_view RawValue(std::u16string_view text) const {
    return hasValue ? text.substr(valueStart, valueEnd - valueStart) : Name(text);
  }
};

class XmlAttribScanner {
 public:
  // `tagStart` is the offset of the '<'; `tagEnd` bounds the scan.
  XmlAttribScanner(std::u16string_view text, std::size_t tagStart, std::size_t tagEnd);
  // Next attribute; false at the end of the attributes.
  bool Next(XmlAttrib& out);
  // Just after the tag name.
  std::size_t NameEnd() const { return nameEnd_; }

 private:
  void ReadValue(std::size_t from, XmlAttrib& out);

  std::u16string_view text_;
  std::size_t pos_;
  std::size_t end_;
  std::size_t nameEnd_;
  bool done_ = false;
};

#endif
