#include "tests/net/support/TestCertificates.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

// One configuration serves the CA, the requests and the signing.
std::string Config(const std::string& dir) {
  return "[ ca ]\ndefault_ca = test_ca\n"
         "[ test_ca ]\ndatabase = " +
         dir + "/index.txt\nnew_certs_dir = " + dir +
         "/issued\n"
         "certificate = " +
         dir + "/ca.pem\nprivate_key = " + dir + "/ca.key\nserial = " + dir +
         "/serial\n"
         "default_md = sha256\npolicy = any_name\nunique_subject = no\ncopy_extensions = none\n"
         "email_in_dn = no\ndefault_days = 30\n"
         "[ any_name ]\ncommonName = supplied\n"
         "[ req ]\ndistinguished_name = req_name\nprompt = no\n"
         "[ req_name ]\nCN = unused\n"
         "[ authority ]\nbasicConstraints = critical, CA:true\nkeyUsage = critical, keyCertSign, cRLSign\n"
         "subjectKeyIdentifier = hash\n"
         "[ localhost ]\nbasicConstraints = CA:false\nextendedKeyUsage = serverAuth\n"
         "subjectAltName = DNS:localhost, IP:127.0.0.1, IP:::1\n"
         "[ wronghost ]\nbasicConstraints = CA:false\nextendedKeyUsage = serverAuth\n"
         "subjectAltName = DNS:wrong.example, DNS:*.wrong.example\n"
         "[ manynames ]\nbasicConstraints = CA:false\nextendedKeyUsage = serverAuth\n"
         "subjectAltName = DNS:n1.example, DNS:n2.example, DNS:n3.example, DNS:n4.example, DNS:n5.example, "
         "DNS:n6.example, DNS:n7.example, DNS:n8.example, DNS:n9.example, DNS:n10.example\n";
}

constexpr const char* kNewKey = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";

}  // namespace

bool TestCertificates::ToolAvailable() { return std::system("openssl version >/dev/null 2>&1") == 0; }

TestCertificates::TestCertificates(const std::string& dir) : dir_(dir) {
  mkdir((dir_ + "/issued").c_str(), 0700);
  std::ofstream(dir_ + "/openssl.cnf") << Config(dir_);
  std::ofstream(dir_ + "/index.txt");
  std::ofstream(dir_ + "/serial") << "1000\n";
  ok_ = MakeAuthority() && MakeSigned("good", "localhost", "", "") &&
        MakeSigned("expired", "localhost", "20200101000000Z", "20200201000000Z") &&
        MakeSigned("future", "localhost", "20990101000000Z", "20991231000000Z") &&
        MakeSigned("wronghost", "wronghost", "", "") && MakeSigned("manynames", "manynames", "", "") &&
        MakeSelfSigned("selfsigned");
}

CertificateFiles TestCertificates::Files(const std::string& name) const {
  return {dir_ + "/" + name + ".pem", dir_ + "/" + name + ".key"};
}

std::string TestCertificates::Log() const {
  std::ifstream in(dir_ + "/openssl.log");
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool TestCertificates::Run(const std::string& arguments) {
  std::string command = "openssl " + arguments + " -config " + dir_ + "/openssl.cnf >>" + dir_ + "/openssl.log 2>&1";
  return std::system(command.c_str()) == 0;
}

bool TestCertificates::MakeAuthority() {
  return Run("req -x509 -new" + std::string(kNewKey) + " -keyout " + dir_ + "/ca.key -out " + dir_ +
             "/ca.pem -days 30 -subj /CN=Velmora\\ Test\\ CA -extensions authority");
}

bool TestCertificates::MakeSigned(const std::string& name, const std::string& extensions, const std::string& start,
                                  const std::string& end) {
  CertificateFiles files = Files(name);
  std::string request = dir_ + "/" + name + ".csr";
  std::string dates = start.empty() ? "" : " -startdate " + start + " -enddate " + end;
  return Run("req -new" + std::string(kNewKey) + " -keyout " + files.key + " -out " + request + " -subj /CN=" +
             (name == "wronghost"   ? "wrong.example"
              : name == "manynames" ? "n1.example"
                                    : "localhost")) &&
         Run("ca -batch -notext -in " + request + " -out " + files.certificate + " -extensions " + extensions + dates);
}

bool TestCertificates::MakeSelfSigned(const std::string& name) {
  CertificateFiles files = Files(name);
  return Run("req -x509 -new" + std::string(kNewKey) + " -keyout " + files.key + " -out " + files.certificate +
             " -days 30 -subj /CN=localhost -extensions localhost");
}
