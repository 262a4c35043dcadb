// The layout texts a reader sees, in the active language: which attributes
// are translated, what a control holds for one, and translating a tree that
// was built before the language changed.
//
// A control remembers each translated attribute's source (see
// CControlUI::RememberLayoutText). Translating again touches an attribute
// only while the control still holds what the last translation gave it, so
// a text the scripts set themselves stays theirs. Window thread only.
#ifndef VELMORA_UI_CONTROLS_LAYOUTTRANSLATION_H
#define VELMORA_UI_CONTROLS_LAYOUTTRANSLATION_H

#include <optional>
#include <string>
#include <string_view>

class CControlUI;

namespace ui {

// "text", "tooltip" and "prompttext": what a reader sees.
bool IsTranslatedAttribute(std::u16string_view attribute);

// What `control` shows now for a translated attribute; nullopt when its
// kind has no such text (a prompt text outside an edit).
std::optional<std::u16string> CurrentLayoutText(const CControlUI& control, std::u16string_view attribute);

// After the builder applied every attribute of `control`: remembers the
// source of a translated attribute together with what the control now holds.
void RememberLayoutText(CControlUI& control, std::u16string_view attribute, std::u16string_view source);

// Gives every untouched layout text under `root` (itself included) the
// active language's words, relaying out and repainting as any text change
// does. Returns how many texts changed; null is an empty tree.
int ApplyLanguage(CControlUI* root);

}  // namespace ui

#endif
