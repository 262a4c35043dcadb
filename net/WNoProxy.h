// WNoProxy: whether a host is to be reached directly under a no_proxy list,
// read as curl reads it: entries split at commas (and blanks); a list
// that is just "*" exempts every host; a name entry matches that name and every name under
// it, with or without a leading dot ("example.com" and ".example.com" both
// cover "www.example.com"), in any case; an address entry matches that
// address, or a whole network in CIDR form ("10.0.0.0/8", "fd00::/8").
// Names never match addresses and the other way round.
// Two additions: an entry may end in ":port" ("[::1]:8080" for IPv6) and
// then covers only that port; "*.example.com" reads as ".example.com".
#ifndef VELMORA_NET_WNOPROXY_H
#define VELMORA_NET_WNOPROXY_H

#include <cstdint>
#include <string_view>

// `host`: a name or an address (IPv6 with or without brackets).
bool NoProxyCovers(std::string_view list, std::string_view host, uint16_t port);

#endif
