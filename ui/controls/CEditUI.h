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
//
// The hosted editor is reached as a plain widget; the few things that depend
// on its kind (making it, its text, its settings, its commands) are virtual,
// so a multi-line field shares everything else.
#ifndef VELMORA_UI_CONTROLS_CEDITUI_H
#define VELMORA_UI_CONTROLS_CEDITUI_H

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

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
  virtual std::pair<int, int> GetSel() const;
  virtual void SetSel(int start, int end);

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
  QLineEdit* LineEdit() const { return qobject_cast<QLineEdit*>(editor_.data()); }

 protected:
  // `defaultMaxChar` is the cap a missing or unreadable "maxchar" means.
  explicit CEditUI(int defaultMaxChar);

  void PaintText(UIRenderContext& ctx) override;

  // What depends on the kind of hosted editor. MakeEditor builds it on
  // `host` and routes its text changes to OnEdited.
  virtual QWidget* MakeEditor(QWidget* host);
  virtual QString EditorText() const;
  virtual void PutEditorText(const QString& text);
  virtual void InsertIntoEditor(const QString& text);
  // Settings beyond font, colours, geometry and enabled state.
  virtual void ConfigureEditor();
  // Select-all, copy, paste, cut and undo, by their control characters.
  virtual void RunEditorCommand(char16_t ch);
  virtual void DropSelection();
  // Mouse messages given to the window rather than to the editor.
  virtual void PlaceCaret(POINT pt, bool selectAll);
  // Whether Enter starts a line rather than raising "return".
  virtual bool TakesLineBreaks() const { return false; }

  void OnEdited();
  QWidget* EditorWidget() const { return editor_.data(); }

  bool readOnly_ = false;
  bool password_ = false;
  int maxChar_;
  std::u16string prompt_;

 private:
  void EnsureEditor();
  void SyncEditor();
  void PutTextQuietly(const std::u16string& text);
  void ApplyKey(TEventUI& event);
  void ApplyChar(char16_t ch);
  void DropEditor();
  bool InsideAncestors(const RECT& r) const;

  const int defaultMaxChar_;
  bool autoFocus_ = false;
  bool settingText_ = false;
  std::uint32_t promptColor_ = 0xFFA8ADB5;
  // Set while a key is handed to the editor, so that one it ignores and
  // passes back up to the window is not applied a second time.
  bool forwarding_ = false;
  QPointer<QWidget> editor_;
  QObject* relay_ = nullptr;  // child of the editor
};

#endif
