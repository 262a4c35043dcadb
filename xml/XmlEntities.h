// Entity decoding of texts read from a document, and escaping of texts
// written into one.
#ifndef VELMORA_XML_XMLENTITIES_H
#define VELMORA_XML_XMLENTITIES_H

#include <string>
#include <string_view>

// Appends `raw` to `out` with character and entity references decoded; a
// reference that is malformed, unknown or names 0 stays literal.
void XmlAppendDecoded(std::u16string_view raw, std::u16string& out);
std::u16string XmlDecode(std::u16string_view raw);

// Code point of a named entity (HTML 4 names plus "apos"), 0 when unknown.
// Twins that differ only in case pick the capitalised entity when the name
// has any upper-case letter.
char32_t XmlEntityCodePoint(std::u16string_view name);

// Text content: & < > escaped. Attribute values: also " and '.
void XmlAppendEscapedText(std::u16string_view raw, std::u16string& out);
void XmlAppendEscapedAttrib(std::u16string_view raw, std::u16string& out);

#endif
