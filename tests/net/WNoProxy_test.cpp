#include "net/WNoProxy.h"

#include <gtest/gtest.h>

namespace {

struct Case {
  const char* list;
  const char* host;
  uint16_t port;
  bool covered;
};

TEST(NoProxy, DecisionTable) {
  const Case cases[] = {
      // Empty lists and the lone star.
      {"", "example.com", 80, false},
      {"*", "example.com", 80, true},
      {" * ", "10.1.2.3", 443, true},
      {"*,example.org", "example.com", 80, false},  // a star among others is no wildcard
      // Names: the name itself and everything under it, any case.
      {"example.com", "example.com", 80, true},
      {"example.com", "www.example.com", 80, true},
      {"example.com", "a.b.example.com", 80, true},
      {"example.com", "notexample.com", 80, false},
      {"example.com", "example.com.evil.org", 80, false},
      {".example.com", "example.com", 80, true},
      {".example.com", "www.example.com", 80, true},
      {"*.example.com", "www.example.com", 80, true},
      {"EXAMPLE.com", "www.Example.COM", 80, true},
      {"example.com.", "www.example.com", 80, true},
      {"example.com", "www.example.com.", 80, true},
      {"com", "example.com", 80, true},
      {"www.example.com", "example.com", 80, false},
      // Lists: commas, blanks, empty entries.
      {"a.org, b.org ,,c.org", "x.c.org", 80, true},
      {"a.org b.org", "b.org", 80, true},
      {"a.org,b.org", "d.org", 80, false},
      // Addresses: exact, networks, and never mixed with names.
      {"127.0.0.1", "127.0.0.1", 80, true},
      {"127.0.0.1", "127.0.0.2", 80, false},
      {"10.0.0.0/8", "10.200.3.4", 80, true},
      {"10.0.0.0/8", "11.0.0.1", 80, false},
      {"192.168.1.0/24", "192.168.1.255", 80, true},
      {"192.168.1.0/25", "192.168.1.200", 80, false},
      {"0.0.0.0/0", "8.8.8.8", 80, true},
      {"10.0.0.0/33", "10.0.0.1", 80, false},
      {"10.0.0.0/x", "10.0.0.1", 80, false},
      {"::1", "::1", 80, true},
      {"::1", "[::1]", 80, true},
      {"[::1]", "::1", 80, true},
      {"fd00::/8", "fd12:3456::1", 80, true},
      {"fd00::/8", "fe80::1", 80, false},
      {"127.0.0.1", "::1", 80, false},
      {"0.1", "10.0.0.1", 80, false},  // no suffix matching on addresses
      {"127.0.0.1", "localhost", 80, false},
      {"localhost", "127.0.0.1", 80, false},
      // Ports.
      {"example.com:8080", "example.com", 8080, true},
      {"example.com:8080", "example.com", 80, false},
      {".example.com:443", "www.example.com", 443, true},
      {"127.0.0.1:3128", "127.0.0.1", 3128, true},
      {"127.0.0.1:3128", "127.0.0.1", 80, false},
      {"[::1]:8080", "::1", 8080, true},
      {"[::1]:8080", "::1", 80, false},
      {"example.com:99999", "example.com", 80, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(NoProxyCovers(c.list, c.host, c.port), c.covered)
        << "no_proxy=\"" << c.list << "\" host " << c.host << " port " << c.port;
}

}  // namespace
