#include "ui/controls/CTextEditUI.h"

#include <QTextCursor>

#include "ui/controls/UIAttributes.h"

CTextEditUI::CTextEditUI() : CEditUI(65536) { textPadding_ = RECT{6, 4, 6, 4}; }

QWidget* CTextEditUI::MakeEditor(QWidget* host) {
  auto* editor = new QPlainTextEdit(host);
  editor->setFrameShape(QFrame::NoFrame);
  editor->setLineWrapMode(QPlainTextEdit::NoWrap);
  QObject::connect(editor, &QPlainTextEdit::textChanged, [this] { OnEdited(); });
  return editor;
}

QString CTextEditUI::EditorText() const { return Editor() ? Editor()->toPlainText() : QString(); }

// The caret goes to the end, so typing after a cut-back paste carries on
// where it stopped.
void CTextEditUI::PutEditorText(const QString& text) {
  QPlainTextEdit* editor = Editor();
  if (!editor) return;
  editor->setPlainText(text);
  editor->moveCursor(QTextCursor::End);
}

void CTextEditUI::InsertIntoEditor(const QString& text) {
  if (QPlainTextEdit* editor = Editor()) editor->insertPlainText(text);
}

void CTextEditUI::ConfigureEditor() {
  QPlainTextEdit* editor = Editor();
  if (!editor) return;
  editor->setReadOnly(readOnly_);
  editor->setPlaceholderText(ui::ToQString(prompt_));
}

void CTextEditUI::RunEditorCommand(char16_t ch) {
  QPlainTextEdit* editor = Editor();
  if (!editor) return;
  if (ch == 0x01) editor->selectAll();
  if (ch == 0x03) editor->copy();
  if (ch == 0x16) editor->paste();
  if (ch == 0x18) editor->cut();
  if (ch == 0x1A) editor->undo();
}

void CTextEditUI::DropSelection() {
  QPlainTextEdit* editor = Editor();
  if (!editor) return;
  QTextCursor cursor = editor->textCursor();
  cursor.clearSelection();
  editor->setTextCursor(cursor);
}

void CTextEditUI::PlaceCaret(POINT pt, bool selectAll) {
  QPlainTextEdit* editor = Editor();
  if (!editor) return;
  if (selectAll) editor->selectAll();
  else editor->setTextCursor(editor->cursorForPosition(QPoint(pt.x - editor->x(), pt.y - editor->y())));
}

std::pair<int, int> CTextEditUI::GetSel() const {
  QPlainTextEdit* editor = Editor();
  if (!editor || !editor->textCursor().hasSelection()) return {0, 0};
  const QTextCursor cursor = editor->textCursor();
  return {cursor.selectionStart(), cursor.selectionEnd()};
}

void CTextEditUI::SetSel(int start, int end) {
  QPlainTextEdit* editor = Editor();
  if (!editor) return;
  QTextCursor cursor = editor->textCursor();
  cursor.setPosition(start);
  cursor.setPosition(end, QTextCursor::KeepAnchor);
  editor->setTextCursor(cursor);
}
