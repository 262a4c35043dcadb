// HeaderList: header fields as this program keeps them, in order, names as
// written and repeated names kept, with the one check every header a caller
// hands over passes before it goes into a request.
#ifndef VELMORA_NET_HEADERLIST_H
#define VELMORA_NET_HEADERLIST_H

#include <string>
#include <string_view>
#include <utility>
#include <vector>

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// Whether two field names are the same (ASCII case does not count).
bool SameHeaderName(std::string_view a, std::string_view b);
// The first value of `name`; empty when absent.
std::string HeaderValue(const HeaderList& headers, std::string_view name);
bool HasHeader(const HeaderList& headers, std::string_view name);

// "Name: value" split at the first colon, blanks around both dropped.
// False with `error` for a line without a colon.
bool SplitHeaderLine(std::string_view line, std::pair<std::string, std::string>& header, std::string& error);

// False with `error` naming the first header whose name is empty or not a
// token, or whose name or value holds a control character other than a tab
// (CR, LF and NUL above all: they would let a value add request lines of
// its own).
bool CheckHeaders(const HeaderList& headers, std::string& error);

#endif
