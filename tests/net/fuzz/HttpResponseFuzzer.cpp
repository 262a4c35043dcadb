// libFuzzer entry: arbitrary bytes as a server's answer, handed to the client
// in reads whose sizes come from the input's first bytes. Covers the head
// parser, the chunk decoder and the gzip step. Seeds: fuzz/corpus/.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/WHttp.h"
#include "tests/net/support/NetTestSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t step = 1 + data[0] % 97;
  const bool failBetween = data[1] & 1;
  std::string answer(reinterpret_cast<const char*>(data + 2), size - 2);
  std::vector<PeerStep> steps;
  for (size_t at = 0; at < answer.size(); at += step) {
    steps.push_back({answer.substr(at, step)});
    if (failBetween) steps.push_back(Fail());
  }
  SetScriptedPeer(std::move(steps));
  WHttp http;
  http.SetReadPause(0);
  http.recvFn = &ScriptedRecv;
  http.sendFn = [](int32_t*, const char*, int32_t length, int32_t) { return static_cast<int>(length); };
  std::string body;
  http.Exchange("GET / HTTP/1.1\r\n\r\n", 18, body);
  return 0;
}
