// Reading an XML text file of any common encoding into UTF-16, and writing
// UTF-16 text back in the encoding its flags or its declaration name. Each
// step leaves a record for the document's result log.
#ifndef VELMORA_XML_XMLFILEIO_H
#define VELMORA_XML_XMLFILEIO_H

#include <string>
#include <string_view>

#include "xml/XmlFileRecord.h"

namespace xmlenc {

struct XmlFileReadResult {
  bool ok = false;      // false: the file could not be opened or read; text is empty
  std::u16string text;
  int flags = 0;        // the document flags with the mark flags of this file
  XmlFileRecords records;
};

// `docFlags` are the document's flags; the mark flags among them are
// replaced by the mark this file has.
XmlFileReadResult ReadXmlTextFile(std::u16string_view fileName, int docFlags);

struct XmlFileWriteResult {
  bool ok = false;      // the whole text reached the file
  int flags = 0;
  XmlFileRecords records;
};

// The first mark flag in `docFlags` decides a byte-order mark and the
// encoding; without one the text's declared encoding does, else UTF-8.
XmlFileWriteResult WriteXmlTextFile(std::u16string_view fileName, std::u16string_view text,
                                    int docFlags);

}  // namespace xmlenc

#endif
