// A one-line text field. While its window exists the text is edited by a
// frameless Qt line edit placed over the control, which brings the caret,
// selection, clipboard, undo and input methods; the control paints its own
// frame and background underneath.
//
// Two roads reach the line edit: real keys go to it directly (Enter and
// Escape, which it leaves alone, travel on to the window as messages, so
// pre-filters see them), and key messages given to the window (automation,
// other senders) arrive through DoEvent and are applied here. Typing raises
// "textchanged"; Enter raises "return"; focus changes raise "setfocus" and
// "killfocus". SetText never raises "textchanged".
#ifndef VELMORA_UI_CONTROLS_CEDITUI_H
#define VELMORA_UI_CONTROLS_CEDITUI_H

#include <QLineEdit>
#include <QPointer>

#include "ui/controls/CLabelUI.h"


class CEditUI : public CLabelUI {
 public:
  CEditUI();
  ~CEditUI() override;

  std::u16string GetClass() const override { return u"EditUI"; }
  bool IsFocusable() const override { return true; }

  void SetText(std::u16string_view text) override;
  bool IsReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  bool IsPassword() const { return password_; }
  void SetPassword(bool password);
  int GetMaxChar() const { return maxChar_; }
  void SetMaxChar(int maxChar);
  const std::u16string& GetPromptText() const { return prompt_; }
  // The selection as [start, end) in UTF-16 units; empty when none.
  std::pair<int, int> GetSel() const;
  void SetSel(int start, int end);

  void SetManager(IControlHost* manager, CControlUI* parent) override;
  void SetPos(RECT rc) override;
  void SetVisible(bool visible) override;
  void SetInternVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void DoEvent(TEventUI& event) override;
  // With `autofocus`, the edit takes the keyboard when its window opens.
  void DoInit() override;
  bool SetAttribute(std::u16string_view name, std::u16string_view value) override;

  // The hosted line edit (null while there is no window); tests and the
  // window layer only.
  QLineEdit* LineEdit() const { return lineEdit_.data(); }

 protected:
  void PaintText(UIRenderContext& ctx) override;

 private:
  void EnsureLineEdit();
  void SyncLineEdit();
  void ApplyKey(TEventUI& event);
  void ApplyChar(char16_t ch);
  void OnEdited(const QString& text);
  void DropLineEdit();
  bool InsideAncestors(const RECT& r) const;

  bool readOnly_ = false;
  bool password_ = false;
  bool autoFocus_ = false;
  int maxChar_ = 255;
  std::u16string prompt_;
  std::uint32_t promptColor_ = 0xFFA8ADB5;
  // Set while a key is handed to the line edit, so that one it ignores and
  // passes back up to the window is not applied a second time.
  bool forwarding_ = false;
  bool settingText_ = false;
  QPointer<QLineEdit> lineEdit_;
  QObject* relay_ = nullptr;  // child of the line edit
};

#endif
