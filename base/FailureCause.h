// Why an operation failed, as a value: callers decide on it and never on the
// wording of a message. Each failure carries one cause and a message for
// people; the cause's name is what scripts see (`dl_info(id).cause`) and
// stays stable across releases, so translated reasons can be keyed on it.
#ifndef VELMORA_BASE_FAILURECAUSE_H
#define VELMORA_BASE_FAILURECAUSE_H

#include <string>
#include <string_view>

enum class FailureCause {
  None = 0,        // no failure
  BadInput,        // the caller's own request was unusable (a bad URL, header, option)
  Unsupported,     // a scheme, coding or feature this program does not speak
  Dns,             // the host name could not be resolved
  Refused,         // the server (or proxy) refused or reset the connection
  Timeout,         // no connection or no answer in time
  Tls,             // the TLS handshake failed for another reason than the certificate
  TlsCertificate,  // the server's certificate was not accepted
  Proxy,           // the proxy could not be used or refused the tunnel
  ProxyAuth,       // the proxy asked for credentials it did not get or refused them
  HttpStatus,      // the server answered with a status that is not the file
  Redirect,        // a redirect that cannot be followed (too many, empty, another scheme)
  Disk,            // reading or writing the local file failed (full, read-only, ...)
  Cut,             // the answer ended before it was whole, again and again
  Stall,           // the connection stayed silent too long
  ChangedFile,     // the file on the server is not the one partly downloaded
  ChangedAnswer,   // the server now sends something else in place of the file
  WebPage,         // a web page came where a file was expected
  Checksum,        // the finished file does not match its expected digest
  BadAnswer,       // the server's answer broke the protocol
  Internal,        // a fault of this program
};

// The stable lower-case name ("dns", "tls-certificate", ...); "none" for None.
const char* FailureCauseName(FailureCause cause);
// The cause a name stands for; None for an unknown name.
FailureCause FailureCauseFromName(std::string_view name);

// A failure as it travels: the cause and a message in plain words (UTF-8).
struct Failure {
  FailureCause cause = FailureCause::None;
  std::string message;

  explicit operator bool() const { return cause != FailureCause::None; }
};

#endif
