// CXmlDocument::Load and Save: the file layer does the bytes and encodings;
// here its records become the document's result log and its text the
// document.
#include "xml/CXmlDocument.h"
#include "xml/XmlFileIo.h"

namespace {

std::u16string ResultLogOf(const xmlenc::XmlFileRecords& records) {
  std::u16string log;
  for (const auto& record : records) {
    XmlRecordAttribs attribs;
    attribs.textName = record.textAttr;
    attribs.text = record.text;
    attribs.numberName = record.numberAttr;
    attribs.number = record.number;
    CXmlDocument::AddRecord(log, record.name, attribs,
                            record.updateFirst ? XmlRecordMode::Update : XmlRecordMode::Append);
  }
  return log;
}

}  // namespace

bool CXmlDocument::Load(std::u16string_view fileName) {
  xmlenc::XmlFileReadResult file = xmlenc::ReadXmlTextFile(fileName, docFlags_);
  std::u16string log = ResultLogOf(file.records);
  docFlags_ = file.flags;
  if (!file.ok) {
    SetDoc(nullptr);
    SetResult(std::move(log));
    return false;
  }
  SetResult(std::move(log));
  return SetDocKeepResult(std::move(file.text));
}

bool CXmlDocument::Save(std::u16string_view fileName) {
  xmlenc::XmlFileWriteResult file = xmlenc::WriteXmlTextFile(fileName, text_, docFlags_);
  SetResult(ResultLogOf(file.records));
  docFlags_ = file.flags;
  return file.ok;
}
