// CXmlDocument: an XML document kept as one UTF-16 text plus a compact index
// of its elements, walked by three cursors.
//
// The text is the only copy of the content. Beside it, every start tag found
// has an index entry holding its offsets and tree links; reads go to the text,
// and every edit rewrites the text in place and shifts the index so that the
// index always describes the current text exactly. Parsing never fails as an
// operation: defects become records in the result log and a false
// well-formedness verdict, and the index still covers every element found.
//
// Cursors: `parentPos` is the element whose children are being walked (0 is
// the document itself), `mainPos` the current element among them and
// `childPos` the current child of `mainPos`. Operations without "Child" in
// their name work on `mainPos`, the Child variants on `childPos`.
//
// Every operation returns at once; a failing one returns false (or an empty
// text) and changes neither the text nor the cursors. Not thread-safe: one
// document belongs to one thread at a time.
//
// Limits: the text may hold at most 2^31 - 1 UTF-16 units (a longer text is
// refused as if empty, with the record "document_too_large"); depths beyond
// 65,535 are stored as 65,535 (the tree links stay exact).
#ifndef VELMORA_XML_CXMLDOCUMENT_H
#define VELMORA_XML_CXMLDOCUMENT_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class XmlElementIndex;

// Attributes of one result-log record, written in this order: the text
// attribute, the number attribute, then `offset2`. An empty attribute name
// leaves that attribute out.
struct XmlRecordAttribs {
  std::u16string_view textName = {};  // "type", "encoding", "msg" or "tagname"
  std::u16string_view text = {};
  std::u16string_view numberName = {};  // "n", "count", "length" or "offset"
  long long number = 0;
  long long offset2 = -1;          // written when not negative
};

// Append adds a record at the end of the log; Update sets the attributes on
// the first record of that name already in the log (appending when none is).
enum class XmlRecordMode { Append, Update };

class CXmlDocument {
 public:
  // File-encoding flags kept in GetDocFlags(): the byte-order mark the text
  // was loaded with, and is saved with again.
  static constexpr int kDocUtf16LeBom = 1;
  static constexpr int kDocUtf8Bom = 4;
  static constexpr int kDocUtf16BeBom = 128;

  // Records are appended only while the log is shorter than this.
  static constexpr std::size_t kResultLogLimit = 1000;

  CXmlDocument();
  explicit CXmlDocument(std::u16string_view text);
  ~CXmlDocument();
  CXmlDocument(const CXmlDocument&) = delete;
  CXmlDocument& operator=(const CXmlDocument&) = delete;
  CXmlDocument(CXmlDocument&&) noexcept;
  CXmlDocument& operator=(CXmlDocument&&) noexcept;

  // ---- Whole document ----

  // Replaces the text, clears the result log, parses and returns the
  // well-formedness verdict. A null text empties the document and releases
  // the element index.
  bool SetDoc(const char16_t* text);
  bool SetDoc(std::u16string_view text);
  bool SetDoc(std::u16string&& text);
  // As SetDoc, but keeps the result log: the parse records follow what is
  // already there. Loading uses it after writing its file records.
  bool SetDocKeepResult(std::u16string&& text);
  const std::u16string& GetDoc() const { return text_; }
  // True when no defect was met and the text has exactly one root element.
  bool IsWellFormed() const;

  // ---- Result log: records of the last parse and the last file operation ----

  const std::u16string& GetResult() const { return result_; }
  void SetResult(std::u16string log) { result_ = std::move(log); }
  void AddResult(std::u16string_view name, const XmlRecordAttribs& attribs = {},
                 XmlRecordMode mode = XmlRecordMode::Append);
  // The same on any log text (a file operation's own result text).
  static void AddRecord(std::u16string& log, std::u16string_view name,
                        const XmlRecordAttribs& attribs = {},
                        XmlRecordMode mode = XmlRecordMode::Append);

  // ---- Files and encodings (XmlFile*.cpp) ----

  // Reads a file of any common encoding; true when read and well formed. On
  // failure the document is empty and the log holds the file records.
  bool Load(std::u16string_view fileName);
  // Writes the text in the encoding the flags and its declaration name.
  bool Save(std::u16string_view fileName);
  int GetDocFlags() const { return docFlags_; }
  void SetDocFlags(int flags) { docFlags_ = flags; }

  // ---- Cursors ----

  // An absent or empty name matches any element. Names are compared
  // case-sensitively; a path such as "a/b" or "a[2]" matches as its first
  // name, while "/a", "//a" and malformed paths never match.
  bool FindElem(std::u16string_view name = {});
  // Without a main element this first moves to the next element of any name,
  // and stays there even when no child then matches.
  bool FindChildElem(std::u16string_view name = {});
  bool IntoElem();
  bool OutElem();
  void ResetPos();
  void ResetMainPos();
  void ResetChildPos();

  // ---- Reads (entities decoded) ----

  std::u16string GetTagName() const;
  std::u16string GetChildTagName() const;
  // Text content; empty for an element with child elements.
  std::u16string GetData() const;
  std::u16string GetChildData() const;
  std::u16string GetAttrib(std::u16string_view name) const;
  std::u16string GetChildAttrib(std::u16string_view name) const;
  // Name of the n-th attribute (from 0) of the main element.
  std::u16string GetAttribName(int n) const;

  // ---- Edits ----

  // New empty element `<name/>` after (Add) or before (Insert) the main
  // element, or the child element under the main element. A name must read
  // back as itself (it starts like a tag name and holds no blank or any of
  // ! " ' / ; < = > ? \); other names, like empty ones, fail.
  bool AddElem(std::u16string_view name);
  bool InsertElem(std::u16string_view name);
  bool AddChildElem(std::u16string_view name);
  bool InsertChildElem(std::u16string_view name);
  bool RemoveElem();
  bool RemoveChildElem();
  // Values are escaped; a name that is empty or holds a blank or one of the
  // delimiters above fails.
  bool SetAttrib(std::u16string_view name, std::u16string_view value);
  bool SetAttrib(std::u16string_view name, int value);
  bool AddAttrib(std::u16string_view name, std::u16string_view value);
  bool AddAttrib(std::u16string_view name, int value);
  bool SetChildAttrib(std::u16string_view name, std::u16string_view value);
  bool SetChildAttrib(std::u16string_view name, int value);
  // Fails on an element with child elements.
  bool SetData(std::u16string_view value);
  bool SetData(int value);
  bool SetChildData(std::u16string_view value);
  bool SetChildData(int value);

  // ---- Inspection (tests, tools) ----

  // The element index; the document's internals live in the xml/ sources.
  const XmlElementIndex& Index() const { return *index_; }
  int32_t ParentPos() const { return parentPos_; }
  int32_t MainPos() const { return mainPos_; }
  int32_t ChildPos() const { return childPos_; }
  int NodeType() const { return nodeType_; }

 private:
  bool Parse();
  bool AddNew(std::u16string_view name, bool child, bool insert);
  bool SetAttribOn(int32_t pos, std::u16string_view name, std::u16string_view value);
  bool SetDataOn(int32_t pos, std::u16string_view value);
  std::u16string DataOf(int32_t pos) const;
  std::u16string AttribOf(int32_t pos, std::u16string_view name) const;

  std::u16string text_;
  std::u16string result_;
  int32_t parentPos_ = 0;
  int32_t mainPos_ = 0;
  int32_t childPos_ = 0;
  int nodeType_ = 0;
  int docFlags_ = 0;
  std::unique_ptr<XmlElementIndex> index_;
};

#endif
