#include "ui/controls/CEditUI.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "ui/controls/CPaintManagerUI.h"
#include "ui/controls/ControlRegistry.h"
#include "ui/controls/FocusChain.h"
#include "ui/controls/UIAttributes.h"
#include "ui/controls/UIRender.h"
#include "ui/controls/UIText.h"
#include "ui/window/WindowHost.h"

namespace {

// The keys the editor acts on that carry no text of their own; text comes
// separately as WM_CHAR.
int EditingKey(char16_t vk) {
  switch (vk) {
    case VK_LEFT: return Qt::Key_Left;
    case VK_RIGHT: return Qt::Key_Right;
    case VK_HOME: return Qt::Key_Home;
    case VK_END: return Qt::Key_End;
    case VK_BACK: return Qt::Key_Backspace;
    case VK_DELETE: return Qt::Key_Delete;
    default: return 0;
  }
}

QString StyleSheet(const QWidget& editor, std::uint32_t textColor) {
  return QStringLiteral(
             "%1{background:transparent;border:none;padding:0;margin:0;color:%2;"
             "selection-background-color:#2F7CF6;selection-color:#FFFFFF;}")
      .arg(QString::fromLatin1(editor.metaObject()->className()), ui::ToQColor(textColor).name(QColor::HexArgb));
}

// Focus that arrives at the editor directly (a real click) is handed to the
// paint manager, so keys and notifications follow it.
class EditFocusRelay : public QObject {
 public:
  EditFocusRelay(CControlUI* owner, QObject* parent) : QObject(parent), owner_(owner) {}
  bool eventFilter(QObject*, QEvent* event) override {
    CPaintManagerUI* manager = owner_->GetManager();
    if (event->type() == QEvent::FocusIn && manager && manager->GetFocus() != owner_) manager->SetFocus(owner_);
    // Tab follows the window's focus chain, not Qt's widget chain (the
    // other controls are not widgets).
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Tab || key == Qt::Key_Backtab) return ui::MoveFocus(owner_, key == Qt::Key_Tab);
      // Escape belongs to the window, whatever the editor would make of it.
      if (key == Qt::Key_Escape) event->ignore();
    }
    return false;
  }

 private:
  CControlUI* owner_;
};

}  // namespace

// A scrolled container clips its children's painting, but the editor is
// a widget of its own: it shows only while its ancestors show all of it.
bool CEditUI::InsideAncestors(const RECT& r) const {
  for (const CControlUI* up = parent_; up; up = up->GetParent()) {
    const RECT& a = up->GetPos();
    if (r.left < a.left || r.top < a.top || r.right > a.right || r.bottom > a.bottom) return false;
  }
  return true;
}

CEditUI::CEditUI() : CEditUI(255) {}

CEditUI::CEditUI(int defaultMaxChar) : maxChar_(defaultMaxChar), defaultMaxChar_(defaultMaxChar) {
  textPadding_ = RECT{6, 0, 6, 0};
}

CEditUI::~CEditUI() { DropEditor(); }

void CEditUI::DropEditor() {
  if (!editor_) return;
  QWidget* editor = editor_.data();
  editor_.clear();
  QObject::disconnect(editor, nullptr, nullptr, nullptr);
  if (relay_) editor->removeEventFilter(relay_);
  relay_ = nullptr;
  editor->hide();
  // Later, since this may run inside one of the editor's own signals.
  editor->deleteLater();
}

void CEditUI::SetManager(IControlHost* manager, CControlUI* parent) {
  if (manager != manager_) DropEditor();
  CLabelUI::SetManager(manager, parent);
}

QWidget* CEditUI::MakeEditor(QWidget* host) {
  auto* edit = new QLineEdit(host);
  edit->setFrame(false);
  QObject::connect(edit, &QLineEdit::textChanged, [this] { OnEdited(); });
  return edit;
}

QString CEditUI::EditorText() const { return LineEdit() ? LineEdit()->text() : QString(); }

void CEditUI::PutEditorText(const QString& text) {
  QLineEdit* edit = LineEdit();
  if (!edit) return;
  edit->setText(text);
  // A field only shown for reading (and copying) starts at its beginning;
  // the caret Qt leaves at the end would hide the start of a long text.
  if (readOnly_) edit->setCursorPosition(0);
}

void CEditUI::InsertIntoEditor(const QString& text) {
  if (QLineEdit* edit = LineEdit()) edit->insert(text);
}

void CEditUI::ConfigureEditor() {
  QLineEdit* edit = LineEdit();
  if (!edit) return;
  edit->setMaxLength(maxChar_ > 0 ? maxChar_ : 32767);
  edit->setReadOnly(readOnly_);
  edit->setEchoMode(password_ ? QLineEdit::Password : QLineEdit::Normal);
  edit->setPlaceholderText(ui::ToQString(prompt_));
}

void CEditUI::RunEditorCommand(char16_t ch) {
  QLineEdit* edit = LineEdit();
  if (!edit) return;
  if (ch == 0x01) edit->selectAll();
  if (ch == 0x03) edit->copy();
  if (ch == 0x16) edit->paste();
  if (ch == 0x18) edit->cut();
  if (ch == 0x1A) edit->undo();
}

void CEditUI::DropSelection() {
  if (QLineEdit* edit = LineEdit()) edit->deselect();
}

void CEditUI::PlaceCaret(POINT pt, bool selectAll) {
  QLineEdit* edit = LineEdit();
  if (!edit) return;
  if (selectAll) edit->selectAll();
  else edit->setCursorPosition(edit->cursorPositionAt(QPoint(pt.x - edit->x(), 0)));
}

void CEditUI::EnsureEditor() {
  if (editor_ || !manager_) return;
  ui::detail::WindowHost* host = ui::detail::WindowHost::From(manager_->GetPaintWindow());
  if (!host) return;
  QWidget* editor = MakeEditor(host);
  // Not taken by the window's first activation; a click or the paint
  // manager's focus gives it the keyboard.
  editor->setFocusPolicy(Qt::ClickFocus);
  editor->setAttribute(Qt::WA_InputMethodEnabled, true);
  editor->setContextMenuPolicy(Qt::DefaultContextMenu);
  editor_ = editor;
  relay_ = new EditFocusRelay(this, editor);
  editor->installEventFilter(relay_);
  SyncEditor();
}

void CEditUI::SyncEditor() {
  QWidget* editor = editor_.data();
  if (!editor) return;
  if (ui::FromQString(EditorText()) != text_) PutTextQuietly(text_);
  ConfigureEditor();
  editor->setEnabled(enabled_);
  const QFont font = ResolveFont();
  if (editor->font() != font) editor->setFont(font);
  const QString sheet = StyleSheet(*editor, CurrentTextColor());
  if (editor->styleSheet() != sheet) editor->setStyleSheet(sheet);
  const RECT r = TextRect();
  editor->setGeometry(ToQRect(r));
  editor->setVisible(IsShown() && r.right > r.left && r.bottom > r.top && InsideAncestors(r));
}

// The editor's own change signal comes back to OnEdited, which must not
// take text the control gave it for typing.
void CEditUI::PutTextQuietly(const std::u16string& text) {
  settingText_ = true;
  PutEditorText(ui::ToQString(text));
  settingText_ = false;
}

// Beyond the cap the text is cut back, so a huge paste cannot grow without
// bound in an editor that does not hold the cap itself.
void CEditUI::OnEdited() {
  if (settingText_ || !editor_) return;
  std::u16string now = ui::FromQString(EditorText());
  if (maxChar_ > 0 && now.size() > static_cast<size_t>(maxChar_)) {
    now.resize(static_cast<size_t>(maxChar_));
    PutTextQuietly(now);
  }
  if (now == text_) return;
  text_ = std::move(now);
  Notify(u"textchanged");
}

void CEditUI::SetText(std::u16string_view text) {
  std::u16string clipped(text.substr(0, maxChar_ > 0 ? static_cast<size_t>(maxChar_) : text.size()));
  text_ = std::move(clipped);
  if (editor_) PutTextQuietly(text_);
  Invalidate();
}

void CEditUI::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  SyncEditor();
}

void CEditUI::SetPassword(bool password) {
  password_ = password;
  SyncEditor();
  Invalidate();
}

void CEditUI::SetMaxChar(int maxChar) {
  maxChar_ = maxChar;
  if (maxChar_ > 0 && text_.size() > static_cast<size_t>(maxChar_)) SetText(text_);
  SyncEditor();
}

std::pair<int, int> CEditUI::GetSel() const {
  QLineEdit* edit = LineEdit();
  if (!edit || !edit->hasSelectedText()) return {0, 0};
  const int start = static_cast<int>(edit->selectionStart());
  return {start, start + static_cast<int>(edit->selectedText().size())};
}

void CEditUI::SetSel(int start, int end) {
  if (QLineEdit* edit = LineEdit()) edit->setSelection(start, end - start);
}

void CEditUI::SetPos(RECT rc) {
  CLabelUI::SetPos(rc);
  EnsureEditor();
  SyncEditor();
}

void CEditUI::SetVisible(bool visible) {
  CLabelUI::SetVisible(visible);
  SyncEditor();
}

void CEditUI::SetInternVisible(bool visible) {
  CLabelUI::SetInternVisible(visible);
  SyncEditor();
}

void CEditUI::SetEnabled(bool enabled) {
  CLabelUI::SetEnabled(enabled);
  SyncEditor();
}

void CEditUI::ApplyChar(char16_t ch) {
  // Control characters: the clipboard and select-all shortcuts. A read-only
  // field still selects and copies.
  if (ch < 0x20 && ch != u'\n') {
    if (editor_ && (ch == 0x01 || ch == 0x03 || !readOnly_)) RunEditorCommand(ch);
    return;
  }
  if (readOnly_) return;
  if (editor_) {
    InsertIntoEditor(QString(QChar(ch)));
    return;
  }
  if (maxChar_ > 0 && text_.size() >= static_cast<size_t>(maxChar_)) return;
  text_.push_back(ch);
  Notify(u"textchanged");
}

void CEditUI::ApplyKey(TEventUI& event) {
  const int key = EditingKey(event.chKey);
  QWidget* editor = editor_.data();
  if (!key) return;
  if (!editor) {
    if (event.chKey == VK_BACK && !text_.empty() && !readOnly_) {
      text_.pop_back();
      Notify(u"textchanged");
    }
    return;
  }
  forwarding_ = true;
  QKeyEvent press(QEvent::KeyPress, key, QGuiApplication::keyboardModifiers());
  QCoreApplication::sendEvent(editor, &press);
  forwarding_ = false;
}

void CEditUI::DoEvent(TEventUI& event) {
  if (forwarding_) return;
  switch (event.Type) {
    case UIEVENT_SETFOCUS:
      if (QWidget* editor = editor_.data()) editor->setFocus(Qt::OtherFocusReason);
      Invalidate();
      Notify(u"setfocus");
      return;
    case UIEVENT_KILLFOCUS:
      if (QWidget* editor = editor_.data()) {
        if (editor->hasFocus() && editor->parentWidget()) editor->parentWidget()->setFocus(Qt::OtherFocusReason);
        DropSelection();
      }
      Invalidate();
      Notify(u"killfocus");
      return;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      if (QWidget* editor = editor_.data()) {
        editor->setFocus(Qt::MouseFocusReason);
        PlaceCaret(event.ptMouse, event.Type == UIEVENT_DBLCLICK);
      }
      return;
    case UIEVENT_KEYDOWN:
      if (event.chKey == VK_RETURN) {
        if (!TakesLineBreaks()) Notify(u"return");
        return;
      }
      if (event.chKey == VK_TAB) {
        ui::MoveFocus(this, !(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier));
        return;
      }
      ApplyKey(event);
      return;
    case UIEVENT_CHAR:
      if (event.chKey == u'\r' || event.chKey == u'\n') {
        if (TakesLineBreaks()) ApplyChar(u'\n');
        return;
      }
      if (event.chKey == 0x1B || event.chKey == u'\t' || event.chKey == 0x08) return;
      ApplyChar(event.chKey);
      return;
    default:
      CLabelUI::DoEvent(event);
  }
}

void CEditUI::DoInit() {
  if (autoFocus_ && manager_ && IsShown() && enabled_) manager_->SetFocus(this);
}

bool CEditUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"autofocus") {
    autoFocus_ = ui::ParseBool(value);
  } else if (name == u"readonly") {
    SetReadOnly(ui::ParseBool(value));
  } else if (name == u"password") {
    SetPassword(ui::ParseBool(value));
  } else if (name == u"maxchar") {
    SetMaxChar(ui::ParseIntOr(value, defaultMaxChar_));
  } else if (name == u"prompttext") {
    prompt_ = value;
    SyncEditor();
  } else if (name == u"prompttextcolor") {
    ui::ParseColor(value, promptColor_);
  } else {
    return CLabelUI::SetAttribute(name, value);
  }
  return true;
}

// Without a line edit (no window yet) the control draws its text itself.
void CEditUI::PaintText(UIRenderContext& ctx) {
  if (editor_ && editor_->isVisible()) return;
  if (text_.empty()) {
    ui::DrawText(ctx.painter, TextRect(), prompt_, ResolveFont(), promptColor_, textStyle_);
    return;
  }
  std::u16string shown = password_ ? std::u16string(text_.size(), u'\u25CF') : text_;
  ui::DrawText(ctx.painter, TextRect(), shown, ResolveFont(), CurrentTextColor(), textStyle_);
}
