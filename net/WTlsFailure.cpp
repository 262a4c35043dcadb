#include "net/WTlsFailure.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cstring>
#include <ctime>

#include "platform/ErrorText.h"
#include "platform/Socket.h"

namespace {

std::string TimeText(const ASN1_TIME* time) {
  std::tm parts{};
  if (!time || ASN1_TIME_to_tm(time, &parts) != 1) return "an unreadable date";
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
  return text;
}

// Names come from the server: printable and short before they reach a message.
std::string Tamed(const unsigned char* bytes, int length) {
  std::string out(reinterpret_cast<const char*>(bytes), static_cast<size_t>(std::clamp(length, 0, 120)));
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return out;
}

std::string CommonName(const X509_NAME* name) {
  int at = name ? X509_NAME_get_index_by_NID(name, NID_commonName, -1) : -1;
  if (at < 0) return {};
  const ASN1_STRING* value = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, at));
  return Tamed(ASN1_STRING_get0_data(value), ASN1_STRING_length(value));
}

std::string AddressText(const ASN1_OCTET_STRING* bytes) {
  std::string text =
      platform::IpAddressText(ASN1_STRING_get0_data(bytes), static_cast<size_t>(std::max(ASN1_STRING_length(bytes), 0)));
  return text.empty() ? "an unreadable address" : text;
}

std::vector<std::string> SubjectNames(X509* certificate) {
  std::vector<std::string> names;
  auto* all = static_cast<GENERAL_NAMES*>(X509_get_ext_d2i(certificate, NID_subject_alt_name, nullptr, nullptr));
  for (int i = 0; all && i < sk_GENERAL_NAME_num(all); ++i) {
    const GENERAL_NAME* name = sk_GENERAL_NAME_value(all, i);
    if (name->type == GEN_DNS)
      names.push_back(Tamed(ASN1_STRING_get0_data(name->d.dNSName), ASN1_STRING_length(name->d.dNSName)));
    else if (name->type == GEN_IPADD)
      names.push_back(AddressText(name->d.iPAddress));
  }
  GENERAL_NAMES_free(all);
  if (names.empty()) {
    std::string common = CommonName(X509_get_subject_name(certificate));
    if (!common.empty()) names.push_back(common);
  }
  return names;
}

std::string Quoted(const std::string& name) {
  return name.empty() ? std::string("an unnamed one") : "\"" + name + "\"";
}

std::string NameList(const std::vector<std::string>& names) {
  if (names.empty()) return "no name at all";
  constexpr size_t kShown = 8;
  std::string list;
  for (size_t i = 0; i < names.size() && i < kShown; ++i) list += (i ? ", " : "") + names[i];
  if (names.size() > kShown) list += " and " + std::to_string(names.size() - kShown) + " more";
  return list;
}

// "the server's certificate" or, further up the chain, the one that failed.
std::string Whose(const WTlsCertificateFault& fault) {
  if (fault.depth == 0) return "the server's certificate";
  return "the certificate " + Quoted(fault.subject) + " in the server's chain";
}

std::string ProtocolReason(int reason) {
  switch (reason) {
    case SSL_R_UNSUPPORTED_PROTOCOL:
    case SSL_R_TLSV1_ALERT_PROTOCOL_VERSION:
    case SSL_R_VERSION_TOO_LOW:
    case SSL_R_NO_PROTOCOLS_AVAILABLE:
      return "the server offers only an outdated protocol (older than TLS 1.2), which is not accepted";
    case SSL_R_WRONG_VERSION_NUMBER:
    case SSL_R_PACKET_LENGTH_TOO_LONG:
    case SSL_R_RECORD_LENGTH_MISMATCH:
    case SSL_R_HTTP_REQUEST:
    case SSL_R_HTTPS_PROXY_REQUEST:
      return "the server did not answer in TLS (is it a plain HTTP port?)";
    case SSL_R_SSLV3_ALERT_HANDSHAKE_FAILURE:
    case SSL_R_NO_SHARED_CIPHER:
    case SSL_R_NO_CIPHERS_AVAILABLE:
    case SSL_R_NO_SUITABLE_SIGNATURE_ALGORITHM:
      return "handshake failure: the server and this program have no protocol version or cipher in common";
    case SSL_R_UNEXPECTED_EOF_WHILE_READING:
      return "the server closed the connection in the middle of the handshake";
    case SSL_R_CERTIFICATE_VERIFY_FAILED:
      return "the server's certificate could not be verified";
    default:
      return {};
  }
}

}  // namespace

WTlsCertificateFault ReadCertificateFault(X509_STORE_CTX* store) {
  WTlsCertificateFault fault;
  fault.error = X509_STORE_CTX_get_error(store);
  fault.depth = X509_STORE_CTX_get_error_depth(store);
  X509* certificate = X509_STORE_CTX_get_current_cert(store);
  if (!certificate) return fault;
  fault.subject = CommonName(X509_get_subject_name(certificate));
  fault.issuer = CommonName(X509_get_issuer_name(certificate));
  fault.notBefore = TimeText(X509_get0_notBefore(certificate));
  fault.notAfter = TimeText(X509_get0_notAfter(certificate));
  fault.names = SubjectNames(certificate);
  return fault;
}

std::string DescribeCertificateFault(const WTlsCertificateFault& fault, const std::string& host) {
  switch (fault.error) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
      return Whose(fault) + " has expired: it was valid until " + fault.notAfter;
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return Whose(fault) + " is not yet valid: it is valid from " + fault.notBefore;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
      return "the server's certificate is self-signed (" + Quoted(fault.subject) + ") and not trusted here";
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
      return "the server's chain ends in a self-signed certificate (" + Quoted(fault.subject) +
             ") that is not trusted here";
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
      return Whose(fault) + " comes from an unknown issuer (" + Quoted(fault.issuer) + ") that is not trusted here";
    case X509_V_ERR_HOSTNAME_MISMATCH:
      return "host name mismatch: the server's certificate is for " + NameList(fault.names) + ", not for " + host;
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      return "address mismatch: the server's certificate is for " + NameList(fault.names) + ", not for " + host;
    case X509_V_ERR_CERT_REVOKED:
      return Whose(fault) + " has been revoked";
    default:
      return Whose(fault) + " could not be verified: " + X509_verify_cert_error_string(fault.error);
  }
}

std::string DescribeHandshakeError(unsigned long queued, int kind, int systemError) {
  if (queued != 0) {
    std::string known = ProtocolReason(ERR_GET_REASON(queued));
    if (!known.empty()) return known;
    const char* reason = ERR_reason_error_string(queued);
    return std::string("handshake failure: ") + (reason ? reason : "the TLS library gave no reason");
  }
  if (kind == SSL_ERROR_SYSCALL && systemError != 0)
    return std::string("the connection failed during the handshake: ") + platform::ErrorText(systemError);
  if (kind == SSL_ERROR_SYSCALL || kind == SSL_ERROR_ZERO_RETURN)
    return "the server closed the connection in the middle of the handshake";
  return "handshake failure: the TLS library gave no reason";
}
