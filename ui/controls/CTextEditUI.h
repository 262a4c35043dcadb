// A text field of several lines (skin class "TextEdit"): while its window
// exists the text is edited by a frameless Qt plain-text editor placed over
// the control, with its own scroll bar, caret, selection, clipboard and
// undo. Enter starts a new line (it raises no "return"); Tab moves focus
// along the window's chain; Escape travels on to the window. Typing raises
// "textchanged"; SetText never does. Everything but the editor itself is the
// one-line field's.
#ifndef VELMORA_UI_CONTROLS_CTEXTEDITUI_H
#define VELMORA_UI_CONTROLS_CTEXTEDITUI_H

#include <QPlainTextEdit>

#include "ui/controls/CEditUI.h"

class CTextEditUI : public CEditUI {
 public:
  CTextEditUI();

  std::u16string GetClass() const override { return u"TextEditUI"; }

  std::pair<int, int> GetSel() const override;
  void SetSel(int start, int end) override;

  // The hosted editor (null while there is no window); tests only.
  QPlainTextEdit* Editor() const { return qobject_cast<QPlainTextEdit*>(EditorWidget()); }

 protected:
  QWidget* MakeEditor(QWidget* host) override;
  QString EditorText() const override;
  void PutEditorText(const QString& text) override;
  void InsertIntoEditor(const QString& text) override;
  void ConfigureEditor() override;
  void RunEditorCommand(char16_t ch) override;
  void DropSelection() override;
  void PlaceCaret(POINT pt, bool selectAll) override;
  bool TakesLineBreaks() const override { return true; }
};

#endif
