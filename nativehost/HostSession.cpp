#include "nativehost/HostSession.h"

#include <cstdio>
#include <random>

#include <nlohmann/json.hpp>

#include "nativehost/HostRequest.h"

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "0"
#endif

namespace nativehost {

namespace {

std::string ErrorAnswer(const std::string& why) {
  nlohmann::ordered_json answer;
  answer["status"] = "error";
  answer["error"] = why;
  return answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string OkAnswer(const char* key, const std::string& value) {
  nlohmann::ordered_json answer;
  answer["status"] = "ok";
  answer[key] = value;
  return answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

std::string RandomLinkId() {
  std::random_device device;
  std::uniform_int_distribution<unsigned> digit(0, 15);
  std::string id(16, '0');
  for (char& c : id) c = "0123456789abcdef"[digit(device)];
  return id;
}

HostSession::HostSession(LinkReceiver& receiver, FrameWriter write, IdSource newId)
    : receiver_(receiver),
      write_(std::move(write)),
      newId_(newId ? std::move(newId) : IdSource(RandomLinkId)),
      reader_(FrameReader::Events{
          [this](std::string message) { Reply(Answer(message)); },
          [this](std::uint32_t) { Reply(ErrorAnswer("the message is larger than 1 MiB")); },
      }) {}

bool HostSession::Feed(std::string_view bytes) {
  reader_.Feed(bytes);
  return writable_;
}

std::string HostSession::Answer(std::string_view message) {
  const ParsedRequest parsed = ParseHostRequest(message);
  if (!parsed.request) return ErrorAnswer(parsed.error);
  if (parsed.request->kind == RequestKind::Ping) return OkAnswer("version", VELMORA_VERSION);
  const std::string id = newId_();
  std::string error;
  if (!receiver_.Deliver(ClientCommandForLink(parsed.request->link, id), error)) return ErrorAnswer(error);
  return OkAnswer("id", id);
}

void HostSession::Reply(const std::string& json) {
  if (writable_ && !write_(EncodeFrame(json))) writable_ = false;
}

}  // namespace nativehost
