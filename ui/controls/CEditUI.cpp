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

// The keys the line edit acts on that carry no text of their own; text comes
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

QString StyleSheet(std::uint32_t textColor) {
  return QStringLiteral(
             "QLineEdit{background:transparent;border:none;padding:0;margin:0;color:%1;"
             "selection-background-color:#2F7CF6;selection-color:#FFFFFF;}")
      .arg(ui::ToQColor(textColor).name(QColor::HexArgb));
}

// Focus that arrives at the line edit directly (a real click) is handed to
// the paint manager, so keys and notifications follow it.
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
    }
    return false;
  }

 private:
  CControlUI* owner_;
};

}  // namespace

// A scrolled container clips its children's painting, but the line edit is
// a widget of its own: it shows only while its ancestors show all of it.
bool CEditUI::InsideAncestors(const RECT& r) const {
  for (const CControlUI* up = parent_; up; up = up->GetParent()) {
    const RECT& a = up->GetPos();
    if (r.left < a.left || r.top < a.top || r.right > a.right || r.bottom > a.bottom) return false;
  }
  return true;
}

CEditUI::CEditUI() { textPadding_ = RECT{6, 0, 6, 0}; }

CEditUI::~CEditUI() { DropLineEdit(); }

void CEditUI::DropLineEdit() {
  if (!lineEdit_) return;
  QLineEdit* edit = lineEdit_.data();
  lineEdit_.clear();
  QObject::disconnect(edit, nullptr, nullptr, nullptr);
  if (relay_) edit->removeEventFilter(relay_);
  relay_ = nullptr;
  edit->hide();
  // Later, since this may run inside one of the line edit's own signals.
  edit->deleteLater();
}

void CEditUI::SetManager(IControlHost* manager, CControlUI* parent) {
  if (manager != manager_) DropLineEdit();
  CLabelUI::SetManager(manager, parent);
}

void CEditUI::EnsureLineEdit() {
  if (lineEdit_ || !manager_) return;
  ui::detail::WindowHost* host = ui::detail::WindowHost::From(manager_->GetPaintWindow());
  if (!host) return;
  auto* edit = new QLineEdit(host);
  edit->setFrame(false);
  // Not taken by the window's first activation; a click or the paint
  // manager's focus gives it the keyboard.
  edit->setFocusPolicy(Qt::ClickFocus);
  edit->setAttribute(Qt::WA_InputMethodEnabled, true);
  edit->setContextMenuPolicy(Qt::DefaultContextMenu);
  lineEdit_ = edit;
  QObject::connect(edit, &QLineEdit::textChanged, [this](const QString& text) { OnEdited(text); });
  // Focus that arrives at the line edit directly (a real click on it) must
  // reach the paint manager, so its keys and notifications follow.
  relay_ = new EditFocusRelay(this, edit);
  edit->installEventFilter(relay_);
  SyncLineEdit();
}

void CEditUI::SyncLineEdit() {
  QLineEdit* edit = lineEdit_.data();
  if (!edit) return;
  settingText_ = true;
  if (ui::FromQString(edit->text()) != text_) edit->setText(ui::ToQString(text_));
  settingText_ = false;
  edit->setMaxLength(maxChar_ > 0 ? maxChar_ : 32767);
  edit->setReadOnly(readOnly_);
  edit->setEnabled(enabled_);
  edit->setEchoMode(password_ ? QLineEdit::Password : QLineEdit::Normal);
  edit->setPlaceholderText(ui::ToQString(prompt_));
  const QFont font = ResolveFont();
  if (edit->font() != font) edit->setFont(font);
  const QString sheet = StyleSheet(CurrentTextColor());
  if (edit->styleSheet() != sheet) edit->setStyleSheet(sheet);
  const RECT r = TextRect();
  edit->setGeometry(ToQRect(r));
  edit->setVisible(IsShown() && r.right > r.left && r.bottom > r.top && InsideAncestors(r));
}

void CEditUI::OnEdited(const QString& text) {
  if (settingText_) return;
  std::u16string now = ui::FromQString(text);
  if (now == text_) return;
  text_ = std::move(now);
  Notify(u"textchanged");
}

void CEditUI::SetText(std::u16string_view text) {
  std::u16string clipped(text.substr(0, maxChar_ > 0 ? static_cast<size_t>(maxChar_) : text.size()));
  text_ = std::move(clipped);
  if (QLineEdit* edit = lineEdit_.data()) {
    settingText_ = true;
    edit->setText(ui::ToQString(text_));
    settingText_ = false;
  }
  Invalidate();
}

void CEditUI::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  SyncLineEdit();
}

void CEditUI::SetPassword(bool password) {
  password_ = password;
  SyncLineEdit();
  Invalidate();
}

void CEditUI::SetMaxChar(int maxChar) {
  maxChar_ = maxChar;
  if (maxChar_ > 0 && text_.size() > static_cast<size_t>(maxChar_)) SetText(text_);
  SyncLineEdit();
}

std::pair<int, int> CEditUI::GetSel() const {
  QLineEdit* edit = lineEdit_.data();
  if (!edit || !edit->hasSelectedText()) return {0, 0};
  const int start = static_cast<int>(edit->selectionStart());
  return {start, start + static_cast<int>(edit->selectedText().size())};
}

void CEditUI::SetSel(int start, int end) {
  if (QLineEdit* edit = lineEdit_.data()) edit->setSelection(start, end - start);
}

void CEditUI::SetPos(RECT rc) {
  CLabelUI::SetPos(rc);
  EnsureLineEdit();
  SyncLineEdit();
}

void CEditUI::SetVisible(bool visible) {
  CLabelUI::SetVisible(visible);
  SyncLineEdit();
}

void CEditUI::SetInternVisible(bool visible) {
  CLabelUI::SetInternVisible(visible);
  SyncLineEdit();
}

void CEditUI::SetEnabled(bool enabled) {
  CLabelUI::SetEnabled(enabled);
  SyncLineEdit();
}

void CEditUI::ApplyChar(char16_t ch) {
  QLineEdit* edit = lineEdit_.data();
  // Control characters: the clipboard and select-all shortcuts. A read-only
  // field still selects and copies.
  if (ch < 0x20) {
    if (!edit) return;
    if (ch == 0x01) edit->selectAll();
    if (ch == 0x03) edit->copy();
    if (readOnly_) return;
    if (ch == 0x16) edit->paste();
    if (ch == 0x18) edit->cut();
    if (ch == 0x1A) edit->undo();
    return;
  }
  if (readOnly_) return;
  if (edit) {
    edit->insert(QString(QChar(ch)));
    return;
  }
  if (maxChar_ > 0 && text_.size() >= static_cast<size_t>(maxChar_)) return;
  text_.push_back(ch);
  Notify(u"textchanged");
}

void CEditUI::ApplyKey(TEventUI& event) {
  const int key = EditingKey(event.chKey);
  QLineEdit* edit = lineEdit_.data();
  if (!key) return;
  if (!edit) {
    if (event.chKey == VK_BACK && !text_.empty() && !readOnly_) {
      text_.pop_back();
      Notify(u"textchanged");
    }
    return;
  }
  forwarding_ = true;
  QKeyEvent press(QEvent::KeyPress, key, QGuiApplication::keyboardModifiers());
  QCoreApplication::sendEvent(edit, &press);
  forwarding_ = false;
}

void CEditUI::DoEvent(TEventUI& event) {
  if (forwarding_) return;
  switch (event.Type) {
    case UIEVENT_SETFOCUS:
      if (QLineEdit* edit = lineEdit_.data()) edit->setFocus(Qt::OtherFocusReason);
      Invalidate();
      Notify(u"setfocus");
      return;
    case UIEVENT_KILLFOCUS:
      if (QLineEdit* edit = lineEdit_.data()) {
        if (edit->hasFocus() && edit->parentWidget()) edit->parentWidget()->setFocus(Qt::OtherFocusReason);
        edit->deselect();
      }
      Invalidate();
      Notify(u"killfocus");
      return;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      if (QLineEdit* edit = lineEdit_.data()) {
        edit->setFocus(Qt::MouseFocusReason);
        if (event.Type == UIEVENT_DBLCLICK) edit->selectAll();
        else edit->setCursorPosition(edit->cursorPositionAt(QPoint(event.ptMouse.x - edit->x(), 0)));
      }
      return;
    case UIEVENT_KEYDOWN:
      if (event.chKey == VK_RETURN) {
        Notify(u"return");
        return;
      }
      if (event.chKey == VK_TAB) {
        ui::MoveFocus(this, !(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier));
        return;
      }
      ApplyKey(event);
      return;
    case UIEVENT_CHAR:
      if (event.chKey == u'\r' || event.chKey == u'\n' || event.chKey == 0x1B || event.chKey == u'\t' ||
          event.chKey == 0x08) {
        return;
      }
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
    SetMaxChar(ui::ParseIntOr(value, 255));
  } else if (name == u"prompttext") {
    prompt_ = value;
    SyncLineEdit();
  } else if (name == u"prompttextcolor") {
    ui::ParseColor(value, promptColor_);
  } else {
    return CLabelUI::SetAttribute(name, value);
  }
  return true;
}

// Without a line edit (no window yet) the control draws its text itself.
void CEditUI::PaintText(UIRenderContext& ctx) {
  if (lineEdit_ && lineEdit_->isVisible()) return;
  if (text_.empty()) {
    ui::DrawText(ctx.painter, TextRect(), prompt_, ResolveFont(), promptColor_, textStyle_);
    return;
  }
  std::u16string shown = password_ ? std::u16string(text_.size(), u'\u25CF') : text_;
  ui::DrawText(ctx.painter, TextRect(), shown, ResolveFont(), CurrentTextColor(), textStyle_);
}
