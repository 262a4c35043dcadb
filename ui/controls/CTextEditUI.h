// A text field of several lines (skin class "TextEdit"): while its window
// exists the text is edited by a frameless Qt plain-text editor placed over
// the control, with its own scroll bar, caret, selection, clipboard and
// undo. Enter starts a new line (it raises no "return"); Tab moves focus
// along the window's chain; Escape travels on to the window. Typing raises
// "textchanged"; SetText never does.
#ifndef VELMORA_UI_CONTROLS_CTEXTEDITUI_H
#define VELMORA_UI_CONTROLS_CTEXTEDITUI_H

#include <QPlainTextEdit>
#include <QPointer>

#include "ui/controls/CLabelUI.h"

class CTextEditUI : public CLabelUI {
 public:
  CTextEditUI();
  ~CTextEditUI() override;

  std::u16string GetClass() const override { return u"TextEditUI"; }
  bool IsFocusable() const override { return true; }

  void SetText(std::u16string_view text) override;
  void SetManager(IControlHost* manager, CControlUI* parent) override;
  void SetPos(RECT rc) override;
  void SetVisible(bool visible) override;
  void SetInternVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void DoEvent(TEventUI& event) override;
  void DoInit() override;
  bool SetAttribute(std::u16string_view name, std::u16string_view value) override;

  // The hosted editor (null while there is no window); tests only.
  QPlainTextEdit* Editor() const { return editor_.data(); }

 protected:
  void PaintText(UIRenderContext& ctx) override;

 private:
  void EnsureEditor();
  void SyncEditor();
  void DropEditor();
  void OnEdited();

  bool autoFocus_ = false;
  int maxChar_ = 65536;
  bool settingText_ = false;
  std::u16string prompt_;
  std::uint32_t promptColor_ = 0xFFA8ADB5;
  QPointer<QPlainTextEdit> editor_;
  QObject* relay_ = nullptr;  // child of the editor
};

#endif
