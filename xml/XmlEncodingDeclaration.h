// The encoding a text declares: the `encoding` of an XML declaration at its
// very start, or the charset of an HTML Content-Type meta inside <head>.
#ifndef VELMORA_XML_XMLENCODINGDECLARATION_H
#define VELMORA_XML_XMLENCODINGDECLARATION_H

#include <string>
#include <string_view>

namespace xmlenc {

// Empty when the text declares nothing we recognise.
std::u16string DeclaredEncoding(std::u16string_view text);

}  // namespace xmlenc

#endif
