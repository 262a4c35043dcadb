// The plain message box. Tests (and display-less runs) answer it through the
// automation hooks; otherwise a real dialog runs its own modal loop.
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include "ui/window/AutomationHooks.h"
#include "ui/window/MessageQueue.h"
#include "ui/window/WindowApi.h"
#include "ui/window/WindowHost.h"

namespace {

int FirstButtonAnswer(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL: return IDYES;
    case MB_RETRYCANCEL: return IDRETRY;
    default: return IDOK;
  }
}

QMessageBox::Icon IconOf(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

void AddButtons(QMessageBox& box, UINT type, std::vector<std::pair<QAbstractButton*, int>>& answers) {
  auto add = [&](const char* text, QMessageBox::ButtonRole role, int answer) {
    answers.emplace_back(box.addButton(QMessageBox::tr(text), role), answer);
  };
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      add("OK", QMessageBox::AcceptRole, IDOK);
      add("Cancel", QMessageBox::RejectRole, IDCANCEL);
      break;
    case MB_YESNOCANCEL:
      add("Yes", QMessageBox::YesRole, IDYES);
      add("No", QMessageBox::NoRole, IDNO);
      add("Cancel", QMessageBox::RejectRole, IDCANCEL);
      break;
    case MB_YESNO:
      add("Yes", QMessageBox::YesRole, IDYES);
      add("No", QMessageBox::NoRole, IDNO);
      break;
    case MB_RETRYCANCEL:
      add("Retry", QMessageBox::AcceptRole, IDRETRY);
      add("Cancel", QMessageBox::RejectRole, IDCANCEL);
      break;
    default:
      add("OK", QMessageBox::AcceptRole, IDOK);
      break;
  }
}

bool HasDisplay() {
  const QString platform = QGuiApplication::platformName();
  return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

}  // namespace

int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT type) {
  ui::detail::EnsureApplication();
  ui::automation::MessageBoxRecord record{owner, std::u16string(text), std::u16string(caption), type, 0};
  std::optional<int> answer = ui::detail::AnswerMessageBox(record);
  if (!answer && !HasDisplay()) answer = FirstButtonAnswer(type);
  if (!answer) {
    auto* parent = ui::detail::WindowHost::From(owner);
    QMessageBox box(IconOf(type), QString::fromUtf16(caption.data(), static_cast<qsizetype>(caption.size())),
                    QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())), QMessageBox::NoButton,
                    parent);
    std::vector<std::pair<QAbstractButton*, int>> answers;
    AddButtons(box, type, answers);
    box.exec();
    // Closing the box by its frame answers like the desktop: cancel when
    // there is one, else the only button.
    answer = answers.size() == 1 ? answers.front().second : IDCANCEL;
    for (const auto& [button, value] : answers) {
      if (box.clickedButton() == button) answer = value;
    }
  }
  record.answer = *answer;
  ui::detail::LogMessageBox(record);
  return *answer;
}
