#include "net/WTlsSocketBio.h"

#include <openssl/bio.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "platform/SocketIo.h"

namespace {

// The socket lives in the BIO's data pointer. BIO_FLAGS_IN_EOF marks that
// the peer closed its side, which OpenSSL asks about (BIO_CTRL_EOF) to tell
// a bare TCP close from a failed read.
int Fd(BIO* bio) { return static_cast<int>(reinterpret_cast<intptr_t>(BIO_get_data(bio))); }

bool Retriable(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

int SocketWrite(BIO* bio, const char* data, int size) {
  BIO_clear_retry_flags(bio);
  long sent = platform::SendSome(Fd(bio), data, static_cast<size_t>(size));
  if (sent < 0 && Retriable(errno)) BIO_set_retry_write(bio);
  return static_cast<int>(sent);
}

int SocketRead(BIO* bio, char* buffer, int size) {
  BIO_clear_retry_flags(bio);
  long got = platform::ReceiveSome(Fd(bio), buffer, static_cast<size_t>(size));
  if (got < 0 && Retriable(errno)) BIO_set_retry_read(bio);
  if (got == 0) BIO_set_flags(bio, BIO_FLAGS_IN_EOF);
  return static_cast<int>(got);
}

int SocketPuts(BIO* bio, const char* text) { return SocketWrite(bio, text, static_cast<int>(strlen(text))); }

long SocketControl(BIO* bio, int command, long /*number*/, void* pointer) {
  switch (command) {
    case BIO_C_SET_FD:  // BIO_set_fd passes the close flag as the number, the socket behind the pointer
      BIO_set_data(bio, reinterpret_cast<void*>(static_cast<intptr_t>(*static_cast<int*>(pointer))));
      BIO_set_init(bio, 1);
      return 1;
    case BIO_C_GET_FD: {
      int fd = Fd(bio);
      if (pointer) *static_cast<int*>(pointer) = fd;
      return fd;
    }
    case BIO_CTRL_EOF:
      return BIO_test_flags(bio, BIO_FLAGS_IN_EOF) != 0;
    case BIO_CTRL_FLUSH:
      return 1;
    default:
      return 0;
  }
}

int SocketCreate(BIO* bio) {
  BIO_set_data(bio, reinterpret_cast<void*>(static_cast<intptr_t>(-1)));
  return 1;
}

BIO_METHOD* Method() {
  static BIO_METHOD* method = nullptr;
  static std::once_flag once;
  std::call_once(once, [] {
    method = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK | BIO_TYPE_DESCRIPTOR, "velmora socket");
    if (!method) return;
    BIO_meth_set_write(method, SocketWrite);
    BIO_meth_set_read(method, SocketRead);
    BIO_meth_set_puts(method, SocketPuts);
    BIO_meth_set_ctrl(method, SocketControl);
    BIO_meth_set_create(method, SocketCreate);
  });
  return method;
}

}  // namespace

BIO* NewTlsSocketBio(int fd) {
  BIO_METHOD* method = Method();
  BIO* bio = method ? BIO_new(method) : nullptr;
  if (bio) BIO_set_fd(bio, fd, BIO_NOCLOSE);
  return bio;
}
