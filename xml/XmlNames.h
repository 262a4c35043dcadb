// Tag and attribute names: where a name ends in the text, and how a name read
// from the text matches a name a caller asks for.
#ifndef VELMORA_XML_XMLNAMES_H
#define VELMORA_XML_XMLNAMES_H

#include <cstddef>
#include <string_view>

// Offset just after the tag name starting at `from` (the reading rule: ends
// at TAB, LF, CR, space, ! " ' / ; < = > ? or \).
std::size_t XmlTagNameEnd(std::u16string_view text, std::size_t from);
// Tag name of the tag whose '<' is at `tagStart`.
std::u16string_view XmlTagNameAt(std::u16string_view text, std::size_t tagStart);

// Offset just after the name as the element builder reads it (ends at TAB,
// LF, CR, space, / or >). End tags are matched against this form.
std::size_t XmlBuilderNameEnd(std::u16string_view text, std::size_t from);

// `found` (read from the text) matches `wanted` when `wanted` starts with it
// and ends there or continues with a space, '/', '=', '[' or ']'.
bool XmlNameMatches(std::u16string_view found, std::u16string_view wanted);

// Search-name syntax: empty (any element), absolute ("/..." never matches), or
// a relative path whose first name is what matches.
enum class XmlPathKind { Any, Never, Name };
XmlPathKind XmlClassifyPath(std::u16string_view path);

#endif
