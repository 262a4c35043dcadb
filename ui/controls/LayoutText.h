// A shown text a control took from its layout, kept so that another language
// can be applied to the built tree later without touching what was set since.
#ifndef VELMORA_UI_CONTROLS_LAYOUTTEXT_H
#define VELMORA_UI_CONTROLS_LAYOUTTEXT_H

#include <string>

namespace ui {

struct LayoutText {
  std::u16string attribute;  // "text", "tooltip" or "prompttext"
  std::u16string source;     // the layout's own words
  std::u16string given;      // what the control holds from the last translation
};

}  // namespace ui

#endif
