#include "ui/controls/DesktopNotification.h"

#include <QStringList>
#include <QVariantMap>

#ifdef VELMORA_HAVE_QTDBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#endif

#include "ui/controls/TrayIcon.h"
#include "ui/controls/UIAttributes.h"

namespace ui {

namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kAppName = "Velmora";

bool SendToService(const DesktopNotice& notice) {
#ifdef VELMORA_HAVE_QTDBUS
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !bus.interface()) return false;
  if (!bus.interface()->isServiceRegistered(QString::fromLatin1(kService)).value()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                                     QString::fromLatin1(kService), QStringLiteral("Notify"));
  call << QString::fromLatin1(kAppName) << 0u << QString() << ToQString(notice.title) << ToQString(notice.text)
       << QStringList() << QVariantMap() << static_cast<qint32>(notice.timeoutMs);
  // The answer (the notice's id) is of no use to us; never wait for it.
  call.setAutoStartService(false);
  return bus.send(call);
#else
  (void)notice;
  return false;
#endif
}

bool ShowOnDesktop(const DesktopNotice& notice) {
  if (SendToService(notice)) return true;
  return notice.window && ShowTrayMessage(notice.window, notice.title, notice.text, notice.timeoutMs);
}

DesktopNotifier& Notifier() {
  static DesktopNotifier notifier = ShowOnDesktop;
  return notifier;
}

}  // namespace

bool ShowDesktopNotification(const DesktopNotice& notice) { return Notifier()(notice); }

DesktopNotifier SetDesktopNotifier(DesktopNotifier notifier) {
  DesktopNotifier previous = std::move(Notifier());
  Notifier() = notifier ? std::move(notifier) : DesktopNotifier(ShowOnDesktop);
  return previous;
}

}  // namespace ui
