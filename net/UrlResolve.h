// Resolving a reference (a redirect's Location) against the URL it came
// from, as RFC 3986 section 5 does: an absolute URL stays as it is, "//host"
// takes the base's scheme, "/path" its scheme and authority, "?query" and
// relative paths its path too; "." and ".." segments are removed and any
// fragment is dropped (it never goes into a request).
#ifndef VELMORA_NET_URLRESOLVE_H
#define VELMORA_NET_URLRESOLVE_H

#include <string>
#include <string_view>

std::string ResolveUrl(std::string_view base, std::string_view reference);

#endif
