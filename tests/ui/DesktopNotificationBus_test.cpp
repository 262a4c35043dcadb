// Desktop notices over a real session bus: a private dbus-daemon, and a
// stand-in for the desktop's notification service on it. A program of its
// own, because Qt binds the session bus once per process, on first use.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QVariant>

#include "tests/ui/LayoutTestWindow.h"
#include "ui/window/Automation.h"
#include "ui/controls/DesktopNotification.h"

namespace {

// What `dbus-daemon --session --fork` printed: address and process id.
struct PrivateBus {
  std::string address;
  pid_t pid = 0;
  ~PrivateBus() {
    if (pid > 0) kill(pid, SIGTERM);
  }
};

bool StartBus(PrivateBus& bus) {
  FILE* out = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null", "r");
  if (!out) return false;
  char line[512];
  if (std::fgets(line, sizeof line, out)) bus.address = line;
  if (std::fgets(line, sizeof line, out)) bus.pid = static_cast<pid_t>(std::atoi(line));
  pclose(out);
  while (!bus.address.empty() && (bus.address.back() == '\n' || bus.address.back() == '\r')) bus.address.pop_back();
  return !bus.address.empty() && bus.pid > 0;
}

class FakeNotifications : public QDBusVirtualObject {
 public:
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() != QStringLiteral("Notify")) return false;
    calls.push_back(message.arguments());
    connection.send(message.createReply(QVariant::fromValue(7u)));
    return true;
  }
  std::vector<QList<QVariant>> calls;
};

}  // namespace

TEST(DesktopNotificationBus, NoticesReachTheSessionsNotificationService) {
  PrivateBus bus;
  if (!StartBus(bus)) GTEST_SKIP() << "no dbus-daemon";
  setenv("DBUS_SESSION_BUS_ADDRESS", bus.address.c_str(), 1);
  LayoutTestWindow window(u"<Window size=\"100,100\"><Control/></Window>");
  ASSERT_NE(window.Open(), nullptr);

  // No service yet: refused at once.
  EXPECT_FALSE(ui::ShowDesktopNotification(ui::DesktopNotice{window.GetHWND(), u"t", u"x", 1000}));

  QDBusConnection service = QDBusConnection::connectToBus(QString::fromStdString(bus.address), "service");
  ASSERT_TRUE(service.isConnected());
  FakeNotifications fake;
  ASSERT_TRUE(service.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &fake));
  ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.Notifications")));

  EXPECT_TRUE(ui::ShowDesktopNotification(ui::DesktopNotice{window.GetHWND(), u"Velmora", u"下载完成", 3000}));
  ASSERT_TRUE(ui::automation::RunUntil([&] { return !fake.calls.empty(); }, 5000));
  const QList<QVariant>& args = fake.calls[0];
  ASSERT_EQ(args.size(), 8);
  EXPECT_EQ(args[0].toString(), QStringLiteral("Velmora"));
  EXPECT_EQ(args[3].toString(), QStringLiteral("Velmora"));
  EXPECT_EQ(args[4].toString(), QString::fromUtf8("下载完成"));
  EXPECT_EQ(args[7].toInt(), 3000);
  service.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
  QDBusConnection::disconnectFromBus("service");
}
