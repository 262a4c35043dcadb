#include "base/FailureCause.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<FailureCause, const char*>, 21> kNames{{
    {FailureCause::None, "none"},
    {FailureCause::BadInput, "bad-input"},
    {FailureCause::Unsupported, "unsupported"},
    {FailureCause::Dns, "dns"},
    {FailureCause::Refused, "refused"},
    {FailureCause::Timeout, "timeout"},
    {FailureCause::Tls, "tls"},
    {FailureCause::TlsCertificate, "tls-certificate"},
    {FailureCause::Proxy, "proxy"},
    {FailureCause::ProxyAuth, "proxy-auth"},
    {FailureCause::HttpStatus, "http-status"},
    {FailureCause::Redirect, "redirect"},
    {FailureCause::Disk, "disk"},
    {FailureCause::Cut, "cut"},
    {FailureCause::Stall, "stall"},
    {FailureCause::ChangedFile, "changed-file"},
    {FailureCause::ChangedAnswer, "changed-answer"},
    {FailureCause::WebPage, "web-page"},
    {FailureCause::Checksum, "checksum"},
    {FailureCause::BadAnswer, "bad-answer"},
    {FailureCause::Internal, "internal"},
}};

}  // namespace

const char* FailureCauseName(FailureCause cause) {
  for (const auto& [value, name] : kNames)
    if (value == cause) return name;
  return "internal";
}

FailureCause FailureCauseFromName(std::string_view name) {
  for (const auto& [value, text] : kNames)
    if (text == name) return value;
  return FailureCause::None;
}
