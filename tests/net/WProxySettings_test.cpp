#include "net/WProxySettings.h"

#include <gtest/gtest.h>

#include <map>

namespace {

WProxyEnvironment Env(std::map<std::string, std::string> variables) {
  return ReadProxyEnvironment([&](const char* name) -> const char* {
    auto found = variables.find(name);
    return found == variables.end() ? nullptr : found->second.c_str();
  });
}

std::string Chosen(const WProxyEnvironment& env, const char* scheme, const char* host, uint16_t port,
                   const std::string& program = "") {
  WProxyChoice choice = ChooseProxy(scheme, host, port, env, program);
  if (!choice.error.empty()) return "error: " + choice.error;
  return choice.direct ? "direct" : choice.source + " " + choice.proxy.Endpoint();
}

TEST(ProxySettings, EnvironmentIsReadAsCurlReadsIt) {
  // Lower case wins; HTTP_PROXY is never read; empty counts as unset.
  WProxyEnvironment env = Env({{"http_proxy", "hp:1"},
                               {"HTTP_PROXY", "upper:1"},
                               {"https_proxy", ""},
                               {"HTTPS_PROXY", "HSP:2"},
                               {"ALL_PROXY", "ALL:3"},
                               {"NO_PROXY", "internal.example"}});
  EXPECT_EQ(env.http, "hp:1");
  EXPECT_EQ(env.https, "HSP:2");
  EXPECT_EQ(env.all, "ALL:3");
  EXPECT_EQ(env.noProxy, "internal.example");
  EXPECT_EQ(Env({{"HTTP_PROXY", "upper:1"}}).http, "");
  WProxyEnvironment lower = Env({{"https_proxy", "hs:1"},
                                 {"HTTPS_PROXY", "HS:1"},
                                 {"all_proxy", "a:1"},
                                 {"ALL_PROXY", "A:1"},
                                 {"no_proxy", "n"},
                                 {"NO_PROXY", "N"}});
  EXPECT_EQ(lower.https, "hs:1");
  EXPECT_EQ(lower.all, "a:1");
  EXPECT_EQ(lower.noProxy, "n");
}

TEST(ProxySettings, ChoiceBySchemeNoProxyAndProgramSetting) {
  WProxyEnvironment env = Env({{"http_proxy", "http://hp:3128"},
                               {"https_proxy", "http://user:pw@sp:3129"},
                               {"no_proxy", ".internal.example,127.0.0.1"}});
  EXPECT_EQ(Chosen(env, "http", "example.org", 80), "http_proxy hp:3128");
  EXPECT_EQ(Chosen(env, "HTTPS", "example.org", 443), "https_proxy sp:3129");
  EXPECT_EQ(Chosen(env, "https", "a.internal.example", 443), "direct");
  EXPECT_EQ(Chosen(env, "http", "127.0.0.1", 8080), "direct");
  EXPECT_EQ(Chosen(env, "ftp", "example.org", 21), "direct");
  // all_proxy stands in for a scheme without its own.
  WProxyEnvironment all = Env({{"all_proxy", "ap:1"}, {"http_proxy", "hp:2"}});
  EXPECT_EQ(Chosen(all, "https", "example.org", 443), "all_proxy ap:1");
  EXPECT_EQ(Chosen(all, "http", "example.org", 80), "http_proxy hp:2");
  // The program's proxy replaces the environment's, and no_proxy still holds.
  EXPECT_EQ(Chosen(env, "https", "example.org", 443, "http://mine:8888"), "dl_setProxy mine:8888");
  EXPECT_EQ(Chosen(env, "http", "example.org", 80, "mine:8888"), "dl_setProxy mine:8888");
  EXPECT_EQ(Chosen(env, "http", "x.internal.example", 80, "mine:8888"), "direct");
  EXPECT_EQ(Chosen(Env({}), "https", "example.org", 443), "direct");
}

TEST(ProxySettings, CredentialsReachTheChoice) {
  WProxyChoice choice = ChooseProxy("https", "example.org", 443, Env({{"https_proxy", "http://user:pw@sp:3129"}}), "");
  ASSERT_TRUE(choice.error.empty());
  EXPECT_EQ(choice.proxy.AuthorizationValue(), "Basic dXNlcjpwdw==");
}

TEST(ProxySettings, UnusableSettingFailsTheRequestInsteadOfGoingDirect) {
  EXPECT_EQ(Chosen(Env({{"https_proxy", "socks5://sp:1080"}}), "https", "example.org", 443),
            "error: the proxy setting https_proxy cannot be used: proxies of the kind \"socks5\" are not "
            "supported (only http:// proxies are)");
  // ...unless the host is exempt anyway.
  EXPECT_EQ(Chosen(Env({{"https_proxy", "socks5://sp:1080"}, {"no_proxy", "*"}}), "https", "example.org", 443),
            "direct");
}

TEST(ProxySettings, ProgramProxyIsCheckedAndEmptyTextGoesBack) {
  std::string error;
  EXPECT_FALSE(WProxySettings::SetProgramProxy("socks4://x:1", error));
  EXPECT_EQ(error, "proxies of the kind \"socks4\" are not supported (only http:// proxies are)");
  EXPECT_EQ(WProxySettings::ProgramProxy(), "");
  ASSERT_TRUE(WProxySettings::SetProgramProxy("http://127.0.0.1:3128", error));
  WProxyChoice chosen = WProxySettings::ChooseForUrl("https://user@Example.org:8443/path?q#f");
  if (chosen.direct) GTEST_SKIP() << "this environment's no_proxy exempts the test host";
  EXPECT_EQ(chosen.source, "dl_setProxy");
  EXPECT_EQ(chosen.proxy.Endpoint(), "127.0.0.1:3128");
  ASSERT_TRUE(WProxySettings::SetProgramProxy("", error));
  EXPECT_EQ(WProxySettings::ProgramProxy(), "");
  EXPECT_EQ(WProxySettings::ChooseForUrl("not a url").error, "no proxy can be chosen for a URL without scheme or host");
}

}  // namespace
