#include "net/WProxySettings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <mutex>

#include "net/WNoProxy.h"

namespace {

std::mutex programProxyMutex;
std::string programProxy;

// The first of `names` that is set and not empty.
std::string FirstSet(const EnvironmentLookup& lookup, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const char* value = lookup ? lookup(name) : std::getenv(name);
    if (value && *value) return value;
  }
  return {};
}

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

// The setting that applies to `scheme`, and its variable's name.
std::pair<std::string, std::string> EnvironmentProxy(const std::string& scheme, const WProxyEnvironment& env) {
  if (scheme == "http" && !env.http.empty()) return {env.http, "http_proxy"};
  if (scheme == "https" && !env.https.empty()) return {env.https, "https_proxy"};
  if (!env.all.empty()) return {env.all, "all_proxy"};
  return {};
}

uint16_t DefaultPort(const std::string& scheme) { return scheme == "https" ? 443 : 80; }

}  // namespace

WProxyEnvironment ReadProxyEnvironment(const EnvironmentLookup& lookup) {
  WProxyEnvironment env;
  env.http = FirstSet(lookup, {"http_proxy"});
  env.https = FirstSet(lookup, {"https_proxy", "HTTPS_PROXY"});
  env.all = FirstSet(lookup, {"all_proxy", "ALL_PROXY"});
  env.noProxy = FirstSet(lookup, {"no_proxy", "NO_PROXY"});
  return env;
}

WProxyChoice ChooseProxy(std::string_view scheme, std::string_view host, uint16_t port, const WProxyEnvironment& env,
                         const std::string& programProxy) {
  WProxyChoice choice;
  std::string lowerScheme = Lower(scheme);
  auto [text, source] = programProxy.empty() ? EnvironmentProxy(lowerScheme, env)
                                             : std::pair<std::string, std::string>{programProxy, "dl_setProxy"};
  if (text.empty() || NoProxyCovers(env.noProxy, host, port)) return choice;
  choice.source = source;
  std::string why;
  if (!ParseProxyUrl(text, choice.proxy, why)) {
    choice.error = "the proxy setting " + source + " cannot be used: " + why;
    return choice;
  }
  choice.direct = false;
  return choice;
}

bool WProxySettings::SetProgramProxy(const std::string& url, std::string& error) {
  WProxyUrl parsed;
  if (!url.empty() && !ParseProxyUrl(url, parsed, error)) return false;
  std::lock_guard lock(programProxyMutex);
  programProxy = url;
  return true;
}

std::string WProxySettings::ProgramProxy() {
  std::lock_guard lock(programProxyMutex);
  return programProxy;
}

WProxyChoice WProxySettings::ChooseFor(std::string_view scheme, std::string_view host, uint16_t port) {
  return ChooseProxy(scheme, host, port, ReadProxyEnvironment(), ProgramProxy());
}

WProxyChoice WProxySettings::ChooseForUrl(std::string_view url) {
  size_t schemeEnd = url.find("://");
  std::string_view rest = schemeEnd == std::string_view::npos ? std::string_view() : url.substr(schemeEnd + 3);
  std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
  authority.remove_prefix(authority.rfind('@') == std::string_view::npos ? 0 : authority.rfind('@') + 1);
  std::string scheme = schemeEnd == std::string_view::npos ? "" : Lower(url.substr(0, schemeEnd));
  uint16_t port = DefaultPort(scheme);
  size_t portColon = authority.rfind(':');
  if (portColon != std::string_view::npos && authority.find(']', portColon) == std::string_view::npos) {
    std::string_view digits = authority.substr(portColon + 1);
    if (!digits.empty()) std::from_chars(digits.data(), digits.data() + digits.size(), port);
    authority = authority.substr(0, portColon);
  }
  if (scheme.empty() || authority.empty()) {
    WProxyChoice choice;
    choice.error = "no proxy can be chosen for a URL without scheme or host";
    return choice;
  }
  return ChooseFor(scheme, authority, port);
}
