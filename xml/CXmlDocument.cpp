// Life cycle of a document and the whole-document operations. Parsing lives
// in XmlElementBuilder.cpp, the cursors in XmlNavigation.cpp, reads in
// XmlReading.cpp and edits in XmlEditing.cpp.
#include "xml/CXmlDocument.h"

#include "xml/XmlElementIndex.h"

CXmlDocument::CXmlDocument() : index_(std::make_unique<XmlElementIndex>()) { SetDoc(nullptr); }

CXmlDocument::CXmlDocument(std::u16string_view text) : index_(std::make_unique<XmlElementIndex>()) {
  SetDoc(text);
}

CXmlDocument::~CXmlDocument() = default;
CXmlDocument::CXmlDocument(CXmlDocument&&) noexcept = default;
CXmlDocument& CXmlDocument::operator=(CXmlDocument&&) noexcept = default;

bool CXmlDocument::SetDoc(const char16_t* text) {
  if (text) return SetDoc(std::u16string_view(text));
  result_.clear();
  text_ = std::u16string();
  index_->Release();
  return Parse();
}

bool CXmlDocument::SetDoc(std::u16string_view text) { return SetDoc(std::u16string(text)); }

bool CXmlDocument::SetDoc(std::u16string&& text) {
  result_.clear();
  return SetDocKeepResult(std::move(text));
}

bool CXmlDocument::SetDocKeepResult(std::u16string&& text) {
  if (text.size() > XmlElementIndex::kMaxTextUnits) {
    text_ = std::u16string();
    index_->Release();
    Parse();
    AddResult(u"document_too_large", {.numberName = u"length", .number = (long long)text.size()});
    return false;
  }
  text_ = std::move(text);
  return Parse();
}

bool CXmlDocument::IsWellFormed() const {
  const XmlElementEntry& doc = (*index_)[0];
  if (XmlElementIndex::Has(doc, kEntryIllFormed) || doc.firstChild == 0) return false;
  return (*index_)[doc.firstChild].next == 0;
}

void CXmlDocument::AddResult(std::u16string_view name, const XmlRecordAttribs& attribs,
                             XmlRecordMode mode) {
  AddRecord(result_, name, attribs, mode);
}
