// Fuzz entry for the native host: the input is what a browser could write
// to the host's standard input. Every answer must be a whole frame holding
// one JSON object with a status, and every link handed on must be a client
// command with an http(s) address. Built as a libFuzzer target with clang
// (VELMORA_FUZZ), and replayed over the seed corpus by the unit tests.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <nlohmann/json.hpp>

#include "nativehost/HostSession.h"

namespace {

class CheckingReceiver final : public nativehost::LinkReceiver {
 public:
  bool Deliver(const std::string& command, std::string& error) override {
    if (command.rfind(platform::kClientCommandPrefix, 0) != 0) std::abort();
    const auto object = nlohmann::json::parse(command.substr(9), nullptr, false);
    if (!object.is_object() || !object["url"].is_string()) std::abort();
    std::string url = object["url"];
    for (char& c : url) {
      if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) std::abort();
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) std::abort();
    // Every other link is refused, so both answers get exercised.
    if (++count_ % 2 == 0) {
      error = "refused";
      return false;
    }
    return true;
  }

 private:
  unsigned count_ = 0;
};

void CheckAnswer(const std::string& frame) {
  std::uint32_t length = 0;
  if (frame.size() < 4) std::abort();
  std::memcpy(&length, frame.data(), 4);
  if (length != frame.size() - 4 || length > nativehost::kMaxMessageBytes) std::abort();
  const auto answer = nlohmann::json::parse(frame.substr(4), nullptr, false);
  if (!answer.is_object() || !answer["status"].is_string()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckingReceiver receiver;
  nativehost::HostSession session(receiver, [](const std::string& frame) {
    CheckAnswer(frame);
    return true;
  }, [] { return std::string("0123456789abcdef"); });
  // The first byte picks how the input is cut into reads.
  const std::size_t piece = size ? 1 + data[0] % 64 : 1;
  for (std::size_t at = 0; at < size; at += piece) {
    session.Feed(std::string_view(reinterpret_cast<const char*>(data) + at, std::min(piece, size - at)));
  }
  return 0;
}
