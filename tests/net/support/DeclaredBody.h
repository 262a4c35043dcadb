// What a server's answer declares as its body, worked out plainly from the
// whole answer at once, apart from the client's own reader: the fuzz entry
// and the mangled-answer test hold every success of the client against it.
#ifndef VELMORA_TESTS_NET_DECLAREDBODY_H
#define VELMORA_TESTS_NET_DECLAREDBODY_H

#include <string>

struct DeclaredBody {
  enum Kind {
    Known,    // a success must deliver exactly `body`
    Invalid,  // no success is possible (cut, malformed, contradictory)
    Unknown,  // a shape this check does not judge
  };
  Kind kind = Unknown;
  std::string body;
};

// The answer to a GET, as WHttp judges success (status 200..301).
DeclaredBody DeclaredBodyOf(const std::string& answer);

#endif
