// Setting text content: escaped text replaces the content of an element
// without child elements.
#include "xml/CXmlDocument.h"

#include "xml/XmlEditSupport.h"
#include "xml/XmlElementIndex.h"
#include "xml/XmlEntities.h"
#include "xml/XmlTreeOps.h"

using namespace xmledit;

// `<p>old</p>` gets new content; an empty `<p/>` or an unended `<p>` gains
// an end tag so that the content belongs to it.
bool CXmlDocument::SetDataOn(int32_t pos, std::u16string_view value) {
  if (pos == 0) return false;
  XmlElementIndex& index = *index_;
  XmlElementEntry& e = index[pos];
  const uint32_t startLen = index.StartTagLength(pos);
  if (e.firstChild != 0 || !HasRoom(text_, 5 * value.size() + startLen + 3)) return false;
  std::u16string content;
  XmlAppendEscapedText(value, content);
  std::size_t at, cut;
  if (e.length == startLen) {
    const bool unended = XmlElementIndex::Has(e, kEntryUnended);
    std::u16string_view name = BuilderName(text_, e.start);
    at = e.start + startLen - (unended ? 0 : 2);
    cut = unended ? 0 : 2;
    const bool spaced = SlashBefore(text_, at, unended);
    content = (unended ? u"" : spaced ? u" >" : u">") + content + u"</" + std::u16string(name) + u">";
    if (!unended) index.SetStartTagLength(pos, startLen - 1 + spaced);
    index.SetEndTagLength(pos, uint32_t(name.size() + 3));
    e.levelFlags &= ~uint32_t(kEntryUnended);
  } else {
    at = e.start + startLen;
    cut = e.length - startLen - index.EndTagLength(pos);
  }
  text_.replace(at, cut, content);
  e.levelFlags &= ~uint32_t(kEntryIllData);
  XmlShiftIndex(index, pos, at, (long long)content.size() - (long long)cut);
  return true;
}

bool CXmlDocument::SetData(std::u16string_view value) { return SetDataOn(mainPos_, value); }
bool CXmlDocument::SetData(int value) { return SetData(Decimal(value)); }
bool CXmlDocument::SetChildData(std::u16string_view value) { return SetDataOn(childPos_, value); }
bool CXmlDocument::SetChildData(int value) { return SetChildData(Decimal(value)); }
