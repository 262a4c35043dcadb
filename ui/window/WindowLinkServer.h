// This process's end of the window link: answers lookups by title and hands
// posts and copy-data from other processes to the window thread, where they
// reach the window's HandleMessage like local ones.
#ifndef VELMORA_UI_WINDOW_WINDOWLINKSERVER_H
#define VELMORA_UI_WINDOW_WINDOWLINKSERVER_H

#include <QByteArray>
#include <QObject>

class QLocalServer;
class QLocalSocket;

namespace ui::detail {

class WindowLinkServer final : public QObject {
 public:
  // Starts listening once per process (window thread); later calls do nothing.
  static void EnsureStarted();
  ~WindowLinkServer() override;

 private:
  WindowLinkServer() = default;
  bool Listen();
  void Accept();
  void Read(QLocalSocket* socket);
  // False when the frame is malformed and the connection must go.
  bool HandleFrame(QLocalSocket* socket, std::uint32_t kind, const QByteArray& payload);

  QLocalServer* server_ = nullptr;
};

}  // namespace ui::detail

#endif
