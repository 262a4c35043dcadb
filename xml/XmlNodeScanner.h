// XmlNodeScanner: reads a text node by node (tags, text, whitespace, CDATA,
// comments, processing instructions, document type declarations).
//
// Every call of Next() consumes at least one unit until the end, so a loop
// over Next() always terminates. Syntax errors are written as records to the
// log given (none when null) and the offending node comes back as kNodeError.
#ifndef VELMORA_XML_XMLNODESCANNER_H
#define VELMORA_XML_XMLNODESCANNER_H

#include <cstddef>
#include <string>
#include <string_view>

enum XmlNodeKind : int {
  kNodeEndTag = 0,
  kNodeStartTag = 1,
  kNodeText = 2,
  kNodeWhitespace = 4,
  kNodeCData = 8,
  kNodeProcessing = 16,
  kNodeComment = 32,
  kNodeDoctype = 64,
  kNodeError = -1,
  kNodeEndOfDocument = -2,
};

struct XmlNode {
  int kind = kNodeEndOfDocument;
  std::size_t start = 0;
  std::size_t length = 0;
  bool emptyElement = false;  // start tag closed by "/>"
  bool unterminated = false;  // the text ended inside the node
};

class XmlNodeScanner {
 public:
  XmlNodeScanner(std::u16string_view text, std::size_t pos = 0, std::u16string* log = nullptr)
      : text_(text), pos_(pos), log_(log) {}
  XmlNode Next();
  std::size_t Pos() const { return pos_; }

 private:
  std::u16string_view text_;
  std::size_t pos_;
  std::u16string* log_;
};

// End of a start tag: the offset just after its '>', or npos when the text
// ends first. `from` is the offset of the '<'.
std::size_t XmlScanStartTag(std::u16string_view text, std::size_t from, bool& emptyElement);
// The same, resuming at `at` (after '<', outside any attribute value).
std::size_t XmlContinueStartTag(std::u16string_view text, std::size_t at, bool& emptyElement);

#endif
