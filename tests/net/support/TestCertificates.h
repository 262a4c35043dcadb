// Certificates for TLS tests, made with the openssl command in a directory
// of the test's own: a private CA and, signed by it, a good certificate for
// localhost, 127.0.0.1 and ::1, an expired one, one not valid until 2099,
// one for another host name, one for ten other names; and a self-signed one
// for localhost. EC keys, so making them all takes a fraction of a second.
#ifndef VELMORA_TESTS_NET_TESTCERTIFICATES_H
#define VELMORA_TESTS_NET_TESTCERTIFICATES_H

#include <string>

struct CertificateFiles {
  std::string certificate;  // PEM
  std::string key;          // PEM, unencrypted
};

class TestCertificates {
 public:
  // True when the openssl command can be run.
  static bool ToolAvailable();

  // Makes everything in `dir`; ok() tells whether it worked.
  explicit TestCertificates(const std::string& dir);

  bool ok() const { return ok_; }
  // The commands' output, for failure messages.
  std::string Log() const;

  std::string caFile() const { return dir_ + "/ca.pem"; }
  CertificateFiles good() const { return Files("good"); }
  CertificateFiles expired() const { return Files("expired"); }
  CertificateFiles notYetValid() const { return Files("future"); }
  CertificateFiles wrongHost() const { return Files("wronghost"); }
  // For ten other names, n1.example to n10.example.
  CertificateFiles manyNames() const { return Files("manynames"); }
  CertificateFiles selfSigned() const { return Files("selfsigned"); }

 private:
  CertificateFiles Files(const std::string& name) const;
  bool Run(const std::string& arguments);
  bool MakeAuthority();
  bool MakeSigned(const std::string& name, const std::string& extensions, const std::string& start,
                  const std::string& end);
  bool MakeSelfSigned(const std::string& name);

  std::string dir_;
  bool ok_ = false;
};

#endif
