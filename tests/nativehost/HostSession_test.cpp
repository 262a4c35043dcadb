// The conversation: answers to each frame, what reaches the window, and ten
// thousand random and mutated frames that must all get a well-formed answer.
#include "nativehost/HostSession.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/SourceFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace nativehost {
namespace {

class RecordingReceiver final : public LinkReceiver {
 public:
  bool Deliver(const std::string& command, std::string& error) override {
    commands.push_back(command);
    if (!refuseWith.empty()) error = refuseWith;
    return refuseWith.empty();
  }
  std::vector<std::string> commands;
  std::string refuseWith;
};

struct Conversation {
  RecordingReceiver receiver;
  std::vector<nlohmann::json> answers;
  int ids = 0;
  bool writable = true;
  HostSession session{receiver,
                      [this](const std::string& frame) {
                        std::uint32_t length = 0;
                        std::memcpy(&length, frame.data(), 4);
                        EXPECT_EQ(length, frame.size() - 4);
                        answers.push_back(nlohmann::json::parse(frame.substr(4)));
                        return writable;
                      },
                      [this] { return "id" + std::to_string(++ids); }};
};

TEST(HostSession, AnswersPingAndHandsLinksOver) {
  Conversation c;
  EXPECT_TRUE(c.session.Feed(EncodeFrame(R"({"type":"ping"})") +
                             EncodeFrame(R"({"type":"add","url":"https://a.test/f.zip","filename":"sub/f.zip",)"
                                         R"("cookies":"s=1","referrer":"https://a.test/","fileSize":7})")));
  ASSERT_EQ(c.answers.size(), 2u);
  EXPECT_EQ(c.answers[0]["status"], "ok");
  EXPECT_EQ(c.answers[0]["version"], VELMORA_TEST_VERSION);
  EXPECT_EQ(c.answers[1], nlohmann::json::parse(R"({"status":"ok","id":"id1"})"));
  ASSERT_EQ(c.receiver.commands.size(), 1u);
  EXPECT_EQ(c.receiver.commands[0],
            R"(#clicent#{"url":"https://a.test/f.zip","name":"f.zip","referrer":"https://a.test/",)"
            R"("cookies":"s=1","fileSize":7,"id":"id1"})");
  EXPECT_TRUE(c.session.AtFrameBoundary());
}

TEST(HostSession, ErrorsAnswerAndTheConversationGoesOn) {
  Conversation c;
  c.session.Feed(EncodeFrame("not json"));
  c.session.Feed(std::string("\x01\x00\x10\x00", 4) + std::string((1u << 20) + 1, 'x'));
  c.receiver.refuseWith = "the Velmora window did not take the link";
  c.session.Feed(EncodeFrame(R"({"type":"add","url":"http://a.test/"})"));
  c.session.Feed(EncodeFrame(R"({"type":"ping"})"));
  ASSERT_EQ(c.answers.size(), 4u);
  EXPECT_EQ(c.answers[0], nlohmann::json::parse(R"({"status":"error","error":"bad JSON near byte 2"})"));
  EXPECT_EQ(c.answers[1]["error"], "the message is larger than 1 MiB");
  EXPECT_EQ(c.answers[2]["error"], "the Velmora window did not take the link");
  EXPECT_EQ(c.answers[3]["status"], "ok");
}

TEST(HostSession, StopsWritingOnceTheBrowserIsGone) {
  Conversation c;
  c.writable = false;
  EXPECT_FALSE(c.session.Feed(EncodeFrame(R"({"type":"ping"})") + EncodeFrame(R"({"type":"ping"})")));
  EXPECT_EQ(c.answers.size(), 1u);
}

// Valid messages, then the same with bytes flipped, cut, doubled or
// replaced by noise, each in a frame of its own true length.
std::string MutatedMessage(std::mt19937& random) {
  static const std::vector<std::string> seeds = {
      R"({"type":"ping"})",
      R"({"type":"add","url":"https://a.test/f.zip","filename":"../f.zip","referrer":"https://a.test/",)"
      R"("cookies":"a=1; b=2","userAgent":"UA/1","fileSize":123})",
      R"({"type":"add","url":"http://a.test/x","fileSize":-1,"extra":{"k":[1,2,{"z":null}]}})",
      R"({"type":"add","url":"http://a.test/\u00e4","filename":"\ud83d\ude00.bin"})",
  };
  std::string message = seeds[random() % seeds.size()];
  const int edits = static_cast<int>(random() % 6);
  for (int i = 0; i < edits && !message.empty(); ++i) {
    const std::size_t at = random() % message.size();
    switch (random() % 5) {
      case 0: message[at] = static_cast<char>(random()); break;
      case 1: message.resize(at); break;
      case 2: message.insert(at, message.substr(at, random() % 16)); break;
      case 3: message.insert(at, 1, "{}[]\",:\\0e-"[random() % 11]); break;
      case 4: message.erase(at, random() % 8); break;
    }
  }
  if (random() % 50 == 0) {
    message.assign(random() % 300, '\0');
    for (char& ch : message) ch = static_cast<char>(random());
  }
  return message;
}

TEST(HostSession, TenThousandRandomAndMutatedFramesAllGetAWellFormedAnswer) {
  Conversation c;
  std::mt19937 random(20261208);
  std::string stream;
  constexpr int kFrames = 10000;
  for (int i = 0; i < kFrames; ++i) stream += EncodeFrame(MutatedMessage(random));
  // Read in pieces of every size, as pipes deliver them.
  for (std::size_t at = 0; at < stream.size();) {
    const std::size_t piece = 1 + random() % 700;
    c.session.Feed(std::string_view(stream).substr(at, piece));
    at += piece;
  }
  ASSERT_EQ(c.answers.size(), static_cast<std::size_t>(kFrames));
  std::size_t oks = 0;
  for (const auto& answer : c.answers) {
    ASSERT_TRUE(answer.is_object());
    ASSERT_TRUE(answer["status"] == "ok" || (answer["status"] == "error" && answer["error"].is_string()));
    oks += answer["status"] == "ok";
  }
  EXPECT_GT(oks, 1000u);  // the mutations left plenty valid
  EXPECT_EQ(oks, c.receiver.commands.size() + std::count_if(c.answers.begin(), c.answers.end(), [](const auto& a) {
                   return a.contains("version");
                 }));
  for (const std::string& command : c.receiver.commands) {
    ASSERT_EQ(command.rfind("#clicent#", 0), 0u);
    const auto object = nlohmann::json::parse(command.substr(9));
    ASSERT_TRUE(object["url"].is_string());
    for (unsigned char ch : object["url"].get<std::string>()) ASSERT_GT(ch, 0x20);
    if (object.contains("name")) {
      EXPECT_EQ(object["name"].get<std::string>().find('/'), std::string::npos);
    }
  }
  EXPECT_TRUE(c.session.AtFrameBoundary());
}

TEST(HostSession, RandomByteStreamsWithLyingLengthsNeverHurt) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::string bytes(random() % 2000, '\0');
    for (char& ch : bytes) ch = static_cast<char>(random() % 4 ? random() % 8 : random());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
}

TEST(HostSession, FuzzSeedsReplay) {
  const std::size_t fed = FeedSourceFiles("tests/nativehost/fuzz/corpus", [](const std::string& bytes) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  });
  EXPECT_GE(fed, 6u);
}

}  // namespace
}  // namespace nativehost
