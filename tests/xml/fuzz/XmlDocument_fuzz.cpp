// Fuzz entry for the XML engine. The input up to the first zero byte is a
// document (UTF-8); every byte after it picks a cursor move or an edit. The
// run aborts when the index no longer frames the text or differs from a
// fresh parse of it. Built as a libFuzzer target with clang (VELMORA_FUZZ),
// and replayed over the seed corpus by the unit tests.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Utf8Codec.h"
#include "tests/xml/XmlTestSupport.h"
#include "xml/CXmlDocument.h"

namespace {

const char16_t* const kNames[] = {u"a", u"b", u"r", u"x:y", u"k1"};
const char16_t* const kValues[] = {u"", u"v", u"<&>", u"\"'", u"&amp;"};

void Fail(const CXmlDocument& doc, const std::string& why) {
  std::fprintf(stderr, "%s\ntext: %s\n", why.c_str(), N(doc.GetDoc()).c_str());
  std::abort();
}

void Step(CXmlDocument& doc, uint8_t op) {
  const char16_t* name = kNames[(op >> 4) % 5];
  const char16_t* value = kValues[(op >> 4) % 5];
  switch (op & 15) {
    case 0: doc.FindElem(op & 16 ? name : u""); break;
    case 1: doc.FindChildElem(op & 16 ? name : u""); break;
    case 2: doc.IntoElem(); break;
    case 3: doc.OutElem(); break;
    case 4: doc.ResetPos(); break;
    case 5: doc.ResetChildPos(); break;
    case 6: doc.AddElem(name); break;
    case 7: doc.InsertElem(name); break;
    case 8: doc.AddChildElem(name); break;
    case 9: doc.InsertChildElem(name); break;
    case 10: doc.RemoveElem(); break;
    case 11: doc.RemoveChildElem(); break;
    case 12: doc.SetAttrib(name, value); break;
    case 13: doc.SetChildAttrib(name, value); break;
    case 14: doc.SetData(value); break;
    default: doc.SetChildData(value); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  std::size_t split = bytes.find('\0');
  std::u16string text;
  platform::AppendUtf8AsUtf16(bytes.substr(0, split), text);
  CXmlDocument doc(text);
  if (std::string err = CheckIndex(doc); !err.empty()) Fail(doc, err);
  if (split == std::string::npos) return 0;
  for (std::size_t i = split + 1; i < size && i < split + 64; ++i) {
    Step(doc, uint8_t(bytes[i]));
    if (std::string err = CheckIndex(doc); !err.empty()) Fail(doc, err);
    if (DumpTree(doc) != DumpTree(CXmlDocument(doc.GetDoc()))) Fail(doc, "index differs from a fresh parse");
  }
  return 0;
}
