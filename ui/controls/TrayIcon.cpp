#include "ui/controls/TrayIcon.h"

#include <map>
#include <utility>

#include <QApplication>
#include <QPointer>
#include <QSystemTrayIcon>

#include "ui/controls/UIAttributes.h"
#include "ui/controls/UIImage.h"
#include "ui/window/WindowApi.h"

namespace ui {

namespace {

using Key = std::pair<HWND, int>;

// The icons are children of the application object, so they go with it and
// never outlive Qt; a window that is gone drops its icons on the next use.
std::map<Key, QPointer<QSystemTrayIcon>>& Icons() {
  static std::map<Key, QPointer<QSystemTrayIcon>> icons;
  return icons;
}

UINT MouseMessageFor(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::DoubleClick: return WM_LBUTTONDBLCLK;
    case QSystemTrayIcon::Context: return WM_RBUTTONUP;
    case QSystemTrayIcon::MiddleClick: return WM_MBUTTONUP;
    default: return WM_LBUTTONUP;
  }
}

void DropDeadWindows() {
  auto& icons = Icons();
  for (auto it = icons.begin(); it != icons.end();) {
    if (!it->second || !IsWindow(it->first.first)) {
      if (it->second) delete it->second.data();
      it = icons.erase(it);
    } else {
      ++it;
    }
  }
}

QSystemTrayIcon* Find(HWND hwnd, int id) {
  DropDeadWindows();
  auto it = Icons().find(Key{hwnd, id});
  return it == Icons().end() ? nullptr : it->second.data();
}

}  // namespace

bool AddTrayIcon(HWND hwnd, int id, const std::u16string& tip, const std::u16string& image) {
  const QImage* picture = LoadImage(image);
  if (!picture || !IsWindow(hwnd) || !qApp) return false;
  QSystemTrayIcon* icon = Find(hwnd, id);
  if (!icon) {
    icon = new QSystemTrayIcon(qApp);
    QObject::connect(icon, &QSystemTrayIcon::activated, [hwnd, id](QSystemTrayIcon::ActivationReason reason) {
      if (IsWindow(hwnd)) PostMessage(hwnd, kTrayMessage, static_cast<WPARAM>(id), MouseMessageFor(reason));
    });
    Icons()[Key{hwnd, id}] = icon;
  }
  icon->setIcon(QIcon(QPixmap::fromImage(*picture)));
  icon->setToolTip(ToQString(tip));
  icon->show();
  return true;
}

bool SetTrayTip(HWND hwnd, int id, const std::u16string& tip) {
  QSystemTrayIcon* icon = Find(hwnd, id);
  if (!icon) return false;
  icon->setToolTip(ToQString(tip));
  return true;
}

bool RemoveTrayIcon(HWND hwnd, int id) {
  QSystemTrayIcon* icon = Find(hwnd, id);
  if (!icon) return false;
  Icons().erase(Key{hwnd, id});
  icon->hide();
  delete icon;
  return true;
}

bool HasTrayIcon(HWND hwnd, int id) { return Find(hwnd, id) != nullptr; }

bool ShowTrayMessage(HWND hwnd, const std::u16string& title, const std::u16string& text, int timeoutMs) {
  DropDeadWindows();
  if (!QSystemTrayIcon::isSystemTrayAvailable() || !QSystemTrayIcon::supportsMessages()) return false;
  for (const auto& [key, icon] : Icons()) {
    if (key.first != hwnd || !icon || !icon->isVisible()) continue;
    icon->showMessage(ToQString(title), ToQString(text), QSystemTrayIcon::Information, timeoutMs);
    return true;
  }
  return false;
}

bool SimulateTrayEvent(HWND hwnd, int id, UINT mouseMessage) {
  if (!Find(hwnd, id)) return false;
  return PostMessage(hwnd, kTrayMessage, static_cast<WPARAM>(id), static_cast<LPARAM>(mouseMessage)) != 0;
}

}  // namespace ui
