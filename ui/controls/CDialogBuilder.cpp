#include "ui/controls/CDialogBuilder.h"

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/CodePageText.h"
#include "base/ReportError.h"
#include "lang/Texts.h"
#include "platform/Utf8Codec.h"
#include "ui/controls/CButtonUI.h"
#include "ui/controls/CContainerUI.h"
#include "ui/controls/CEditUI.h"
#include "ui/controls/CTextEditUI.h"
#include "ui/controls/CLabelUI.h"
#include "ui/controls/CLinearLayoutUI.h"
#include "ui/controls/CListHeaderUI.h"
#include "ui/controls/CListUI.h"
#include "ui/controls/CMenuElementUI.h"
#include "ui/controls/COptionUI.h"
#include "ui/controls/CPaintManagerUI.h"
#include "ui/controls/CProgressUI.h"
#include "ui/controls/CTabLayoutUI.h"
#include "ui/controls/CTreeViewUI.h"
#include "ui/controls/LayoutStyle.h"
#include "ui/controls/LayoutTranslation.h"
#include "ui/controls/UIAttributes.h"
#include "ui/window/MessageQueue.h"
#include "xml/CXmlDocument.h"

namespace {

constexpr const char* kStem = "CDialogBuilder";
// Deeper layouts are refused rather than risking the stack on a hostile file.
constexpr int kMaxDepth = 64;

std::string Narrow(std::u16string_view text) { return Utf16ToAnsi(std::u16string(text)); }

// Layout files are UTF-8 (with or without a mark) or UTF-16LE with a mark.
std::u16string DecodeLayout(const std::string& bytes) {
  std::u16string text;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    text.resize((bytes.size() - 2) / 2);
    for (size_t i = 0; i < text.size(); ++i)
      text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                      (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
    return text;
  }
  std::string_view view(bytes);
  if (view.starts_with("\xEF\xBB\xBF")) view.remove_prefix(3);
  platform::AppendUtf8AsUtf16(view, text);
  return text;
}

class LayoutReader {
 public:
  LayoutReader(std::string name, IDialogBuilderCallback* callback, CPaintManagerUI* manager)
      : name_(std::move(name)), callback_(callback), manager_(manager), style_(std::make_shared<ui::LayoutStyle>()) {}

  CControlUI* Read(CXmlDocument& doc);

 private:
  void ApplyWindow(CXmlDocument& doc);
  void ReadFont(CXmlDocument& doc);
  CControlUI* Build(CXmlDocument& doc, int depth);
  void BuildChildren(CXmlDocument& doc, CControlUI* control, int depth);
  void AdoptStray(CXmlDocument& doc, CControlUI* root, int depth);
  void ApplyAttributes(CXmlDocument& doc, CControlUI* control, const std::u16string& tag);

  std::string name_;
  IDialogBuilderCallback* callback_;
  CPaintManagerUI* manager_;
  std::shared_ptr<ui::LayoutStyle> style_;
  std::map<std::u16string, std::u16string> defaults_;
};

CControlUI* LayoutReader::Read(CXmlDocument& doc) {
  doc.ResetPos();
  if (!doc.FindElem()) {
    ReportError(kStem, __LINE__, "(error) (%s:%d) layout %s has no element\n", name_.c_str());
    return nullptr;
  }
  CControlUI* root = nullptr;
  if (doc.GetTagName() == u"Window") {
    ApplyWindow(doc);
    doc.IntoElem();
    while (doc.FindElem()) {
      const std::u16string tag = doc.GetTagName();
      if (tag == u"Font")
        ReadFont(doc);
      else if (tag == u"Default")
        defaults_[doc.GetAttrib(u"name")] = doc.GetAttrib(u"value");
      else if (!root)
        root = Build(doc, 1);
      else
        AdoptStray(doc, root, 1);
    }
    doc.OutElem();
  } else {
    root = Build(doc, 0);
    // The engine closes an unclosed element where the document ends, so its
    // content shows up as later top-level elements; keep them.
    while (doc.FindElem()) AdoptStray(doc, root, 0);
  }
  if (!root) ReportError(kStem, __LINE__, "(error) (%s:%d) layout %s has no control\n", name_.c_str());
  return root;
}

void LayoutReader::AdoptStray(CXmlDocument& doc, CControlUI* root, int depth) {
  const std::u16string tag = doc.GetTagName();
  auto* container = dynamic_cast<CContainerUI*>(root);
  ReportError(kStem, __LINE__, "(error) (%s:%d) layout %s: <%s> stands outside the root control; %s\n",
              name_.c_str(), Narrow(tag).c_str(), container ? "added to it" : "left out");
  if (!container) return;
  if (CControlUI* control = Build(doc, depth + 1)) container->Add(control);
}

void LayoutReader::ApplyWindow(CXmlDocument& doc) {
  std::uint32_t color = 0;
  if (ui::ParseColor(doc.GetAttrib(u"textcolor"), color)) style_->SetDefaultTextColor(color);
  if (ui::ParseColor(doc.GetAttrib(u"disabledtextcolor"), color)) style_->SetDisabledTextColor(color);
  if (!manager_) return;
  SIZE size;
  RECT rc;
  if (ui::ParseSize(doc.GetAttrib(u"size"), size) && size.cx > 0 && size.cy > 0)
    manager_->SetInitSize(size.cx, size.cy);
  if (ui::ParseRect(doc.GetAttrib(u"sizebox"), rc)) manager_->SetSizeBox(rc);
  if (ui::ParseRect(doc.GetAttrib(u"caption"), rc)) manager_->SetCaptionRect(rc);
  if (ui::ParseSize(doc.GetAttrib(u"roundcorner"), size)) manager_->SetRoundCorner(size.cx, size.cy);
  if (ui::ParseSize(doc.GetAttrib(u"mininfo"), size)) manager_->SetMinInfo(size.cx, size.cy);
  if (ui::ParseSize(doc.GetAttrib(u"maxinfo"), size)) manager_->SetMaxInfo(size.cx, size.cy);
}

void LayoutReader::ReadFont(CXmlDocument& doc) {
  std::u16string face = doc.GetAttrib(u"name");
  QFont font(face.empty() ? ui::LayoutStyle::FallbackFont().family() : ui::ToQString(face));
  font.setPixelSize(std::max(6, ui::ParseIntOr(doc.GetAttrib(u"size"), 12)));
  font.setBold(ui::ParseBool(doc.GetAttrib(u"bold")));
  font.setItalic(ui::ParseBool(doc.GetAttrib(u"italic")));
  font.setUnderline(ui::ParseBool(doc.GetAttrib(u"underline")));
  font.setStyleStrategy(QFont::PreferAntialias);
  const int id = ui::ParseIntOr(doc.GetAttrib(u"id"), static_cast<int>(0));
  style_->AddFont(id, font, ui::ParseBool(doc.GetAttrib(u"default")));
}

void LayoutReader::ApplyAttributes(CXmlDocument& doc, CControlUI* control, const std::u16string& tag) {
  auto it = defaults_.find(tag);
  if (it != defaults_.end()) control->ApplyAttributeList(it->second);
  // The texts a reader sees pass through the active language's [skin] map,
  // here once for every control class; other attributes are the layout's own.
  std::vector<std::pair<std::u16string, std::u16string>> translated;
  for (int n = 0;; ++n) {
    std::u16string attribute = doc.GetAttribName(n);
    if (attribute.empty()) break;
    std::u16string value = doc.GetAttrib(attribute);
    if (!ui::IsTranslatedAttribute(attribute)) {
      control->SetAttribute(attribute, value);
      continue;
    }
    control->SetAttribute(attribute, lang::SkinText(value));
    translated.emplace_back(std::move(attribute), std::move(value));
  }
  // Read back once every attribute is in, so what is kept as given is what
  // the control holds (an edit's maxchar may have cut its text).
  for (const auto& [attribute, source] : translated) ui::RememberLayoutText(*control, attribute, source);
}

CControlUI* LayoutReader::Build(CXmlDocument& doc, int depth) {
  const std::u16string tag = doc.GetTagName();
  if (depth > kMaxDepth) {
    ReportError(kStem, __LINE__, "(error) (%s:%d) layout %s nests deeper than %d; <%s> left out\n", name_.c_str(),
                kMaxDepth, Narrow(tag).c_str());
    return nullptr;
  }
  CControlUI* control = callback_ ? callback_->CreateControl(tag) : nullptr;
  if (!control) control = CDialogBuilder::CreateBuiltin(tag);
  if (!control) {
    ReportError(kStem, __LINE__, "(error) (%s:%d) layout %s: unknown control class <%s> left out\n",
                name_.c_str(), Narrow(tag).c_str());
    return nullptr;
  }
  control->SetStyle(style_);
  if (manager_) control->SetManager(manager_, nullptr);
  ApplyAttributes(doc, control, tag);
  BuildChildren(doc, control, depth);
  return control;
}

void LayoutReader::BuildChildren(CXmlDocument& doc, CControlUI* control, int depth) {
  doc.IntoElem();
  auto* container = dynamic_cast<CContainerUI*>(control);
  while (doc.FindElem()) {
    if (!container) {
      ReportError(kStem, __LINE__, "(error) (%s:%d) layout %s: <%s> cannot hold <%s>; left out\n", name_.c_str(),
                  Narrow(doc.GetTagName()).c_str(), Narrow(control->GetClass()).c_str());
      continue;
    }
    if (CControlUI* child = Build(doc, depth + 1)) container->Add(child);
  }
  doc.OutElem();
}

}  // namespace

CControlUI* CDialogBuilder::CreateBuiltin(std::u16string_view c) {
  if (c == u"Control") return new CControlUI();
  if (c == u"Container") return new CContainerUI();
  if (c == u"VerticalLayout") return new CVerticalLayoutUI();
  if (c == u"HorizontalLayout") return new CHorizontalLayoutUI();
  if (c == u"TabLayout") return new CTabLayoutUI();
  if (c == u"Label") return new CLabelUI();
  if (c == u"Text") return new CTextUI();
  if (c == u"Button") return new CButtonUI();
  if (c == u"Option") return new COptionUI();
  if (c == u"CheckBox") return new CCheckBoxUI();
  if (c == u"Edit") return new CEditUI();
  if (c == u"TextEdit") return new CTextEditUI();
  if (c == u"Progress") return new CProgressUI();
  if (c == u"List") return new CListUI();
  if (c == u"ListHeader") return new CListHeaderUI();
  if (c == u"ListHeaderItem") return new CListHeaderItemUI();
  if (c == u"TreeView" || c == u"SelectList") return new CTreeViewUI();
  if (c == u"MenuElement") return new CMenuElementUI();
  return nullptr;
}

CControlUI* CDialogBuilder::Create(std::u16string_view layout, const char16_t*, IDialogBuilderCallback* callback,
                                   CPaintManagerUI* manager, CControlUI* parent) {
  ui::detail::EnsureApplication();  // fonts need the application, even before any window
  std::optional<std::string> bytes = CPaintManagerUI::LoadResourceFile(layout);
  if (!bytes) {
    ReportError(kStem, __LINE__, "(error) (%s:%d) layout %s is not in the skin\n", Narrow(layout).c_str());
    return nullptr;
  }
  CXmlDocument doc;
  if (!doc.SetDoc(DecodeLayout(*bytes))) {
    ReportError(kStem, __LINE__, "(error) (%s:%d) layout %s is not well formed: %s\n", Narrow(layout).c_str(),
                Narrow(doc.GetResult()).c_str());
  }
  LayoutReader reader(Narrow(layout), callback, manager);
  CControlUI* root = reader.Read(doc);
  if (root && parent) {
    if (auto* container = dynamic_cast<CContainerUI*>(parent)) container->Add(root);
  }
  return root;
}

CControlUI* CDialogBuilder::CreateFromText(std::u16string_view xml, IDialogBuilderCallback* callback,
                                           CPaintManagerUI* manager, CControlUI* parent) {
  ui::detail::EnsureApplication();
  CXmlDocument doc;
  if (!doc.SetDoc(xml))
    ReportError(kStem, __LINE__, "(error) (%s:%d) layout text is not well formed: %s\n",
                Narrow(doc.GetResult()).c_str());
  LayoutReader reader("(text)", callback, manager);
  CControlUI* root = reader.Read(doc);
  if (root && parent) {
    if (auto* container = dynamic_cast<CContainerUI*>(parent)) container->Add(root);
  }
  return root;
}
