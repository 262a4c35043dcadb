#include "ui/controls/CTextEditUI.h"

#include <QKeyEvent>

#include "ui/controls/CPaintManagerUI.h"
#include "ui/controls/FocusChain.h"
#include "ui/controls/UIAttributes.h"
#include "ui/controls/UIRender.h"
#include "ui/controls/UIText.h"
#include "ui/window/WindowHost.h"

namespace {

QString StyleSheet(std::uint32_t textColor) {
  return QStringLiteral(
             "QPlainTextEdit{background:transparent;border:none;padding:0;margin:0;color:%1;"
             "selection-background-color:#2F7CF6;selection-color:#FFFFFF;}")
      .arg(ui::ToQColor(textColor).name(QColor::HexArgb));
}

// Focus that arrives at the editor directly (a real click) is handed to the
// paint manager so its notifications follow; Tab follows the window's chain
// (the other controls are not widgets), and Escape goes to the window.
class TextEditRelay : public QObject {
 public:
  TextEditRelay(CControlUI* owner, QObject* parent) : QObject(parent), owner_(owner) {}
  bool eventFilter(QObject*, QEvent* event) override {
    CPaintManagerUI* manager = owner_->GetManager();
    if (event->type() == QEvent::FocusIn && manager && manager->GetFocus() != owner_) manager->SetFocus(owner_);
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Tab || key == Qt::Key_Backtab) return ui::MoveFocus(owner_, key == Qt::Key_Tab);
      if (key == Qt::Key_Escape) {
        event->ignore();
        return false;
      }
    }
    return false;
  }

 private:
  CControlUI* owner_;
};

}  // namespace

CTextEditUI::CTextEditUI() { textPadding_ = RECT{6, 4, 6, 4}; }

CTextEditUI::~CTextEditUI() { DropEditor(); }

void CTextEditUI::DropEditor() {
  if (!editor_) return;
  QPlainTextEdit* editor = editor_.data();
  editor_.clear();
  QObject::disconnect(editor, nullptr, nullptr, nullptr);
  if (relay_) editor->removeEventFilter(relay_);
  relay_ = nullptr;
  editor->hide();
  // Later, since this may run inside one of the editor's own signals.
  editor->deleteLater();
}

void CTextEditUI::SetManager(IControlHost* manager, CControlUI* parent) {
  if (manager != manager_) DropEditor();
  CLabelUI::SetManager(manager, parent);
}

void CTextEditUI::EnsureEditor() {
  if (editor_ || !manager_) return;
  ui::detail::WindowHost* host = ui::detail::WindowHost::From(manager_->GetPaintWindow());
  if (!host) return;
  auto* editor = new QPlainTextEdit(host);
  editor->setFrameShape(QFrame::NoFrame);
  editor->setFocusPolicy(Qt::ClickFocus);
  editor->setLineWrapMode(QPlainTextEdit::NoWrap);
  editor->setAttribute(Qt::WA_InputMethodEnabled, true);
  editor_ = editor;
  QObject::connect(editor, &QPlainTextEdit::textChanged, [this] { OnEdited(); });
  relay_ = new TextEditRelay(this, editor);
  editor->installEventFilter(relay_);
  SyncEditor();
}

void CTextEditUI::SyncEditor() {
  QPlainTextEdit* editor = editor_.data();
  if (!editor) return;
  if (ui::FromQString(editor->toPlainText()) != text_) {
    settingText_ = true;
    editor->setPlainText(ui::ToQString(text_));
    settingText_ = false;
  }
  editor->setEnabled(enabled_);
  editor->setPlaceholderText(ui::ToQString(prompt_));
  const QFont font = ResolveFont();
  if (editor->font() != font) editor->setFont(font);
  const QString sheet = StyleSheet(CurrentTextColor());
  if (editor->styleSheet() != sheet) editor->setStyleSheet(sheet);
  const RECT r = TextRect();
  editor->setGeometry(ToQRect(r));
  editor->setVisible(IsShown() && r.right > r.left && r.bottom > r.top);
}

// Beyond the cap the text is cut back, so a huge paste cannot grow without
// bound; the cut raises its own change.
void CTextEditUI::OnEdited() {
  QPlainTextEdit* editor = editor_.data();
  if (settingText_ || !editor) return;
  std::u16string now = ui::FromQString(editor->toPlainText());
  if (maxChar_ > 0 && now.size() > static_cast<size_t>(maxChar_)) {
    now.resize(static_cast<size_t>(maxChar_));
    settingText_ = true;
    editor->setPlainText(ui::ToQString(now));
    editor->moveCursor(QTextCursor::End);
    settingText_ = false;
  }
  if (now == text_) return;
  text_ = std::move(now);
  Notify(u"textchanged");
}

void CTextEditUI::SetText(std::u16string_view text) {
  text_ = std::u16string(text.substr(0, maxChar_ > 0 ? static_cast<size_t>(maxChar_) : text.size()));
  if (QPlainTextEdit* editor = editor_.data()) {
    settingText_ = true;
    editor->setPlainText(ui::ToQString(text_));
    settingText_ = false;
  }
  Invalidate();
}

void CTextEditUI::SetPos(RECT rc) {
  CLabelUI::SetPos(rc);
  EnsureEditor();
  SyncEditor();
}

void CTextEditUI::SetVisible(bool visible) {
  CLabelUI::SetVisible(visible);
  SyncEditor();
}

void CTextEditUI::SetInternVisible(bool visible) {
  CLabelUI::SetInternVisible(visible);
  SyncEditor();
}

void CTextEditUI::SetEnabled(bool enabled) {
  CLabelUI::SetEnabled(enabled);
  SyncEditor();
}

// Keys given to the window (automation, other senders) rather than to the
// editor: printable characters and Enter are typed into it.
void CTextEditUI::DoEvent(TEventUI& event) {
  QPlainTextEdit* editor = editor_.data();
  switch (event.Type) {
    case UIEVENT_SETFOCUS:
      if (editor) editor->setFocus(Qt::OtherFocusReason);
      Invalidate();
      Notify(u"setfocus");
      return;
    case UIEVENT_KILLFOCUS:
      if (editor && editor->hasFocus() && editor->parentWidget()) editor->parentWidget()->setFocus(Qt::OtherFocusReason);
      Invalidate();
      Notify(u"killfocus");
      return;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      if (editor) editor->setFocus(Qt::MouseFocusReason);
      return;
    case UIEVENT_KEYDOWN:
      if (event.chKey == VK_TAB) ui::MoveFocus(this, true);
      return;
    case UIEVENT_CHAR:
      if (!editor) return;
      if (event.chKey == u'\r' || event.chKey == u'\n') {
        editor->insertPlainText(QStringLiteral("\n"));
      } else if (event.chKey >= 0x20) {
        editor->insertPlainText(QString(QChar(event.chKey)));
      }
      return;
    default:
      CLabelUI::DoEvent(event);
  }
}

void CTextEditUI::DoInit() {
  if (autoFocus_ && manager_ && IsShown() && enabled_) manager_->SetFocus(this);
}

bool CTextEditUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"autofocus") {
    autoFocus_ = ui::ParseBool(value);
  } else if (name == u"maxchar") {
    maxChar_ = ui::ParseIntOr(value, 65536);
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

// Without an editor (no window yet) the control draws its text itself.
void CTextEditUI::PaintText(UIRenderContext& ctx) {
  if (editor_ && editor_->isVisible()) return;
  const std::u16string& shown = text_.empty() ? prompt_ : text_;
  ui::DrawText(ctx.painter, TextRect(), shown, ResolveFont(), text_.empty() ? promptColor_ : CurrentTextColor(),
               textStyle_);
}
