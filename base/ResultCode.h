// Result codes of the network client and the file helpers: 0 is success,
// 1..36 name one failure each. Operations return them; nothing throws.
// The gzip step may also pass a negative zlib status through the same int.
#ifndef VELMORA_BASE_RESULTCODE_H
#define VELMORA_BASE_RESULTCODE_H

#include <cstdint>

using ResultCode = int32_t;

enum : ResultCode {
  Success = 0,
  InitParamsError = 1,
  OpenFileError = 2,
  FileNotExist = 3,
  FileExist = 4,
  MallocError = 5,
  BufferTooSmall = 6,
  PostInfoError = 7,
  NetInitSocketError = 8,
  NetSocketError = 9,
  NetBindError = 10,
  NetListenError = 11,
  NetAcceptError = 12,
  NetConnectError = 13,
  NetDisconnectError = 14,
  NetReadError = 15,
  NetReadNotEnd = 16,
  NetSendError = 17,
  NetSendNotEnd = 18,
  NetUrlError = 19,
  HttpUrlError = 20,
  HttpJump = 21,
  HttpTypeError = 22,
  NotFound = 23,
  DbConnectError = 24,
  DbSelectError = 25,
  DbCharsetError = 26,
  DbNoData = 27,
  DbResultException = 28,
  DbQueryError = 29,
  DbMultiData = 30,
  FtpUrlError = 31,
  FtpLoginError = 32,
  FtpFileNotFound = 33,
  FtpFeatNotSupported = 34,
  FtpUnknownError = 35,
  UnknownError = 36,
};

inline constexpr int kResultCodeCount = 37;

inline constexpr const char* kResultMessages[kResultCodeCount] = {
    "exec successed.",
    "init params is error...",
    "open file is error...",
    "file is not exist...",
    "file is exist...",
    "malloc mem is error...",
    "buffer is too small...",
    "POST info is error...",
    "net init socket error...",
    "net socket error...",
    "net bind error...",
    "net listen error...",
    "net accept error...",
    "net connect server is error...",
    "net disconnect server error...",
    "net read data is error...",
    "net read data not end...",
    "net send data is error...",
    "net send data is not end...",
    "net url is error...",
    "http url is error...",
    "http jump ...",
    "http type is error...",
    "counld not found ...",
    "connect db server is error...",
    "select db is error...",
    "set db chart error...",
    "counld not found data...",
    "exception ,counld not result...",
    "counld not query result...",
    "query mulit data...",
    "ftp url is error...",
    "ftp login is error...",
    "ftp file not find...",
    "ftp feat protocol not support.",
    "ftp unkonw error.",
    "unkonw error...",
};

#endif
