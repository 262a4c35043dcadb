// libFuzzer entry: arbitrary bytes as a server's answer to a GET, handed to
// the client in reads whose sizes come from the input's first byte, with a
// failed read (a pause) between them when the second byte says so. Covers
// the head reader, the body framings and the content decoders. A success
// must deliver exactly the body the answer declares (worked out apart from
// the client, see DeclaredBody.h); anything else aborts. Replayed over the
// seed corpus (fuzz/corpus/) by the unit tests.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/WHttp.h"
#include "tests/net/support/DeclaredBody.h"
#include "tests/net/support/NetTestSupport.h"

namespace {

void Violation(const char* what, const std::string& answer) {
  std::fprintf(stderr, "%s\nanswer (%zu bytes): %.200s\n", what, answer.size(), answer.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t step = 1 + data[0] % 97;
  const bool failBetween = data[1] & 1;
  std::string answer(reinterpret_cast<const char*>(data + 2), size - 2);
  // A failed read while the head is read fails it at once, so pauses go
  // between body reads only.
  const size_t headEnd = std::min(answer.find("\r\n\r\n"), answer.find("\n\n"));
  std::vector<PeerStep> steps;
  for (size_t at = 0; at < answer.size(); at += step) {
    if (failBetween && headEnd != std::string::npos && at > headEnd + 3) steps.push_back(Fail());
    steps.push_back({answer.substr(at, step)});
  }
  SetScriptedPeer(std::move(steps));
  WHttp http;
  http.SetReadPause(0);
  http.recvFn = &ScriptedRecv;
  http.sendFn = [](int32_t*, const char*, int32_t length, int32_t) { return static_cast<int>(length); };
  std::vector<char> body(1 << 20);
  const ResultCode result = http.ExchangeToBuffer("GET / HTTP/1.1\r\n\r\n", 18, body.data(), body.size());
  if (http.headBlocks.count() + http.chunkBlocks.count() + http.decodeBlocks.count() != 0)
    Violation("a transfer kept a working buffer", answer);
  if (result != Success) return 0;
  const DeclaredBody declared = DeclaredBodyOf(answer);
  if (declared.kind == DeclaredBody::Invalid) Violation("success for an answer that declares no whole body", answer);
  if (declared.kind == DeclaredBody::Known &&
      std::string(body.data(), static_cast<size_t>(http.contentLength)) != declared.body)
    Violation("success with a body other than the declared one", answer);
  return 0;
}
