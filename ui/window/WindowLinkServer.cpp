#include "ui/window/WindowLinkServer.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QVariant>

#include "platform/WindowLink.h"
#include "ui/window/WindowApi.h"
#include "ui/window/WindowRegistry.h"

namespace ui::detail {

namespace {

const char* kBufferProperty = "velmoraBuffer";

template <typename T>
T ReadPod(const QByteArray& bytes, std::size_t offset = 0) {
  T value{};
  std::memcpy(&value, bytes.constData() + offset, sizeof(T));
  return value;
}

std::u16string Utf16At(const QByteArray& bytes, std::size_t offset, std::size_t size) {
  std::u16string text(size / 2, u'\0');
  if (!text.empty()) std::memcpy(text.data(), bytes.constData() + offset, text.size() * 2);
  return text;
}

HWND FromWire(std::uint64_t value) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value)); }

}  // namespace

void WindowLinkServer::EnsureStarted() {
  static WindowLinkServer* server = nullptr;
  if (server) return;
  // Owned by the application object so that the socket file goes with it.
  server = new WindowLinkServer();
  server->setParent(QCoreApplication::instance());
  if (!server->Listen()) return;
  // The application object usually lives until the process ends, so the
  // entry is also removed at exit; a crash leaves it for others to clean.
  static const std::string path = link::SocketPath(CurrentProcessTag());
  std::atexit([] { ::unlink(path.c_str()); });
}

WindowLinkServer::~WindowLinkServer() {
  if (server_) server_->close();
}

bool WindowLinkServer::Listen() {
  const std::string path = link::SocketPath(CurrentProcessTag());
  if (path.empty()) return false;
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  // Our own process id: whatever is there is a leftover of a dead process.
  QLocalServer::removeServer(QString::fromStdString(path));
  if (!server_->listen(QString::fromStdString(path))) return false;
  connect(server_, &QLocalServer::newConnection, this, &WindowLinkServer::Accept);
  return true;
}

void WindowLinkServer::Accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (socket->bytesAvailable() > 0) Read(socket);
  }
}

void WindowLinkServer::Read(QLocalSocket* rawSocket) {
  // A copy-data handler may run a nested loop in which the peer leaves and
  // the socket is deleted.
  QPointer<QLocalSocket> socket(rawSocket);
  QByteArray buffer = socket->property(kBufferProperty).toByteArray() + socket->readAll();
  while (buffer.size() >= static_cast<qsizetype>(sizeof(link::FrameHeader))) {
    const auto header = ReadPod<link::FrameHeader>(buffer);
    if (header.magic != link::kFrameMagic || header.length > link::kMaxPayload) {
      socket->abort();
      return;
    }
    const qsizetype total = static_cast<qsizetype>(sizeof(header) + header.length);
    if (buffer.size() < total) break;
    const QByteArray payload = buffer.mid(sizeof(header), header.length);
    buffer.remove(0, total);
    const bool wellFormed = HandleFrame(socket, header.kind, payload);
    if (!socket) return;
    if (!wellFormed) {
      socket->abort();
      return;
    }
  }
  socket->setProperty(kBufferProperty, buffer);
}

bool WindowLinkServer::HandleFrame(QLocalSocket* socket, std::uint32_t kind, const QByteArray& payload) {
  const auto size = static_cast<std::size_t>(payload.size());
  switch (static_cast<link::FrameKind>(kind)) {
    case link::FrameKind::Find: {
      if (size < sizeof(link::FindPrefix)) return false;
      const auto prefix = ReadPod<link::FindPrefix>(payload);
      if (prefix.titleBytes > size - sizeof(prefix) || prefix.titleBytes % 2 != 0) return false;
      const std::u16string title = Utf16At(payload, sizeof(prefix), prefix.titleBytes);
      const std::size_t classOffset = sizeof(prefix) + prefix.titleBytes;
      const std::u16string className = Utf16At(payload, classOffset, size - classOffset);
      HWND found = prefix.anyTitle ? nullptr : WindowRegistry::Instance().FindTopLevel(title, className);
      const std::uint64_t answer = reinterpret_cast<std::uintptr_t>(found);
      socket->write(reinterpret_cast<const char*>(&answer), sizeof(answer));
      return true;
    }
    case link::FrameKind::Post: {
      if (size != sizeof(link::PostPayload)) return false;
      const auto post = ReadPod<link::PostPayload>(payload);
      // Only our own windows; PostMessage refuses the messages that carry
      // pointers.
      PostMessage(FromWire(post.hwnd), post.message, static_cast<WPARAM>(post.wParam), static_cast<LPARAM>(post.lParam));
      return true;
    }
    case link::FrameKind::CopyData: {
      if (size < sizeof(link::CopyDataPrefix)) return false;
      const auto prefix = ReadPod<link::CopyDataPrefix>(payload);
      HWND target = FromWire(prefix.hwnd);
      QPointer<QLocalSocket> guard(socket);
      link::CopyDataReply reply{0, 0};
      if (WindowRegistry::Instance().Contains(target)) {
        COPYDATASTRUCT data;
        data.dwData = static_cast<ULONG_PTR>(prefix.dwData);
        data.cbData = static_cast<DWORD>(size - sizeof(prefix));
        data.lpData = data.cbData ? payload.constData() + sizeof(prefix) : nullptr;
        reply.result = SendMessage(target, WM_COPYDATA, static_cast<WPARAM>(prefix.wParam), reinterpret_cast<LPARAM>(&data));
        reply.delivered = 1;
      }
      if (guard && guard->state() == QLocalSocket::ConnectedState) guard->write(reinterpret_cast<const char*>(&reply), sizeof(reply));
      return true;
    }
  }
  return false;
}

}  // namespace ui::detail
