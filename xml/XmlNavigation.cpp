// The three cursors. Searches walk sibling links only; a failing move leaves
// every cursor where it was.
#include "xml/CXmlDocument.h"

#include "xml/XmlElementIndex.h"
#include "xml/XmlNames.h"

namespace {

// First element from `i` along the sibling chain whose tag name matches.
int32_t FindSibling(const XmlElementIndex& index, std::u16string_view text, int32_t i,
                    std::u16string_view name) {
  XmlPathKind kind = XmlClassifyPath(name);
  if (kind == XmlPathKind::Never) return 0;
  for (; i != 0; i = index[i].next)
    if (kind == XmlPathKind::Any || XmlNameMatches(XmlTagNameAt(text, index[i].start), name)) return i;
  return 0;
}

}  // namespace

bool CXmlDocument::FindElem(std::u16string_view name) {
  const XmlElementIndex& index = *index_;
  int32_t from = mainPos_ ? index[mainPos_].next : index[parentPos_].firstChild;
  int32_t found = FindSibling(index, text_, from, name);
  if (found == 0) return false;
  mainPos_ = found;
  parentPos_ = index[found].parent;
  childPos_ = 0;
  nodeType_ = 1;
  return true;
}

bool CXmlDocument::FindChildElem(std::u16string_view name) {
  if (mainPos_ == 0 && !FindElem()) return false;
  const XmlElementIndex& index = *index_;
  int32_t from = childPos_ ? index[childPos_].next : index[mainPos_].firstChild;
  int32_t found = FindSibling(index, text_, from, name);
  if (found == 0) return false;
  childPos_ = found;
  mainPos_ = index[found].parent;
  parentPos_ = index[mainPos_].parent;
  nodeType_ = 1;
  return true;
}

bool CXmlDocument::IntoElem() {
  if (mainPos_ == 0) return false;
  parentPos_ = mainPos_;
  mainPos_ = childPos_;
  childPos_ = 0;
  nodeType_ = mainPos_ ? 1 : 0;
  return true;
}

bool CXmlDocument::OutElem() {
  if (parentPos_ == 0) return false;
  childPos_ = mainPos_;
  mainPos_ = parentPos_;
  parentPos_ = (*index_)[mainPos_].parent;
  nodeType_ = 1;
  return true;
}

void CXmlDocument::ResetPos() {
  parentPos_ = mainPos_ = childPos_ = 0;
  nodeType_ = 0;
}

void CXmlDocument::ResetMainPos() {
  mainPos_ = childPos_ = 0;
  nodeType_ = 0;
}

void CXmlDocument::ResetChildPos() {
  childPos_ = 0;
  nodeType_ = mainPos_ ? 1 : 0;
}
