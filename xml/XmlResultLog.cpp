// The result log: one `<name attr="value"/>` element per record, no line
// breaks. Appending writes exactly what adding an element and setting its
// attributes would; updating goes through a temporary document over the log.
#include "xml/CXmlDocument.h"

#include <string>

#include "xml/XmlEntities.h"

namespace {

void AppendAttrib(std::u16string& log, std::u16string_view name, std::u16string_view value) {
  log += u' ';
  log += name;
  log += u"=\"";
  XmlAppendEscapedAttrib(value, log);
  log += u'"';
}

std::u16string Decimal(long long n) {
  std::string s = std::to_string(n);
  return std::u16string(s.begin(), s.end());
}

void AppendRecord(std::u16string& log, std::u16string_view name, const XmlRecordAttribs& a) {
  if (log.size() >= CXmlDocument::kResultLogLimit) return;
  log += u'<';
  log += name;
  if (!a.textName.empty()) AppendAttrib(log, a.textName, a.text);
  if (!a.numberName.empty()) AppendAttrib(log, a.numberName, Decimal(a.number));
  if (a.offset2 >= 0) AppendAttrib(log, u"offset2", Decimal(a.offset2));
  log += u"/>";
}

bool UpdateRecord(std::u16string& log, std::u16string_view name, const XmlRecordAttribs& a) {
  CXmlDocument records(log);
  if (!records.FindElem(name)) return false;
  if (!a.textName.empty()) records.SetAttrib(a.textName, a.text);
  if (!a.numberName.empty()) records.SetAttrib(a.numberName, Decimal(a.number));
  if (a.offset2 >= 0) records.SetAttrib(u"offset2", Decimal(a.offset2));
  log = records.GetDoc();
  return true;
}

}  // namespace

void CXmlDocument::AddRecord(std::u16string& log, std::u16string_view name, const XmlRecordAttribs& attribs,
                             XmlRecordMode mode) {
  if (mode == XmlRecordMode::Update && UpdateRecord(log, name, attribs)) return;
  AppendRecord(log, name, attribs);
}
