#include "ui/controls/LayoutTranslation.h"

#include <vector>

#include "lang/Texts.h"
#include "ui/controls/CContainerUI.h"
#include "ui/controls/CControlUI.h"
#include "ui/controls/CEditUI.h"

namespace ui {

namespace {

// True when the attribute took the active language's words.
bool Retranslate(CControlUI& control, LayoutText& text) {
  const std::optional<std::u16string> current = CurrentLayoutText(control, text.attribute);
  if (!current || *current != text.given) return false;
  const std::u16string shown = lang::SkinText(text.source);
  if (shown == *current) return false;
  control.SetAttribute(text.attribute, shown);
  text.given = CurrentLayoutText(control, text.attribute).value_or(shown);
  return true;
}

void ApplyToTree(CControlUI& control, int& changed) {
  bool touched = false;
  if (std::vector<LayoutText>* texts = control.LayoutTexts())
    for (LayoutText& text : *texts)
      if (Retranslate(control, text)) {
        touched = true;
        ++changed;
      }
  // A tooltip or prompt text changes no layout, but a painted prompt must go.
  if (touched) control.Invalidate();
  if (auto* box = dynamic_cast<CContainerUI*>(&control))
    for (int i = 0; i < box->GetCount(); ++i)
      if (CControlUI* child = box->GetItemAt(i)) ApplyToTree(*child, changed);
}

}  // namespace

bool IsTranslatedAttribute(std::u16string_view attribute) {
  return attribute == u"text" || attribute == u"tooltip" || attribute == u"prompttext";
}

std::optional<std::u16string> CurrentLayoutText(const CControlUI& control, std::u16string_view attribute) {
  if (attribute == u"text") return control.GetText();
  if (attribute == u"tooltip") return control.GetToolTip();
  if (attribute == u"prompttext")
    if (const auto* edit = dynamic_cast<const CEditUI*>(&control)) return edit->GetPromptText();
  return std::nullopt;
}

void RememberLayoutText(CControlUI& control, std::u16string_view attribute, std::u16string_view source) {
  std::optional<std::u16string> given = CurrentLayoutText(control, attribute);
  if (!given || source.empty()) return;
  control.RememberLayoutText(LayoutText{std::u16string(attribute), std::u16string(source), std::move(*given)});
}

int ApplyLanguage(CControlUI* root) {
  int changed = 0;
  if (root) ApplyToTree(*root, changed);
  return changed;
}

}  // namespace ui
