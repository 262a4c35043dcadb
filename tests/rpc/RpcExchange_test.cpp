#include "rpc/RpcExchange.h"

#include <gtest/gtest.h>

namespace {

using nlohmann::json;
using rpc::RpcExchange;

json Answer(const RpcExchange& exchange) { return json::parse(exchange.Answer()); }

// Runs every admitted call with a stand-in that echoes the method.
void RunAll(RpcExchange& exchange) {
  for (rpc::Invocation& call : exchange.invocations()) {
    if (call.method == "fail") {
      call.outcome.failed = true;
      call.outcome.code = 1;
      call.outcome.message = "no";
    } else {
      call.outcome.result = json{{"method", call.method}, {"params", call.params}};
    }
  }
}

TEST(RpcExchange, ASecretIsCheckedAndTakenOffTheParameters) {
  RpcExchange exchange(R"({"jsonrpc":"2.0","id":"7","method":"aria2.tellStatus","params":["token:k","abc"]})", "k");
  ASSERT_EQ(exchange.invocations().size(), 1u);
  EXPECT_EQ(exchange.invocations()[0].params, json::array({"abc"}));
  EXPECT_EQ(exchange.rightSecrets(), 1u);
  RunAll(exchange);
  const json answer = Answer(exchange);
  EXPECT_EQ(answer["id"], "7");
  EXPECT_EQ(answer["result"]["method"], "aria2.tellStatus");
  EXPECT_FALSE(exchange.AnswerIsError());
}

TEST(RpcExchange, WrongOrMissingSecretsAreUnauthorizedAndNothingRuns) {
  for (const char* body : {R"({"jsonrpc":"2.0","id":1,"method":"aria2.pauseAll","params":["token:x"]})",
                           R"({"jsonrpc":"2.0","id":1,"method":"aria2.pauseAll","params":[]})",
                           R"({"jsonrpc":"2.0","id":1,"method":"aria2.pauseAll"})",
                           R"({"jsonrpc":"2.0","id":1,"method":"aria2.pauseAll","params":["k"]})"}) {
    RpcExchange exchange(body, "k");
    EXPECT_TRUE(exchange.invocations().empty()) << body;
    EXPECT_EQ(exchange.wrongSecrets(), 1u) << body;
    EXPECT_EQ(Answer(exchange)["error"], json({{"code", 1}, {"message", "Unauthorized"}})) << body;
    EXPECT_TRUE(exchange.AnswerIsError());
  }
}

TEST(RpcExchange, ListingMethodsNeedsNoSecret) {
  RpcExchange exchange(R"({"jsonrpc":"2.0","id":1,"method":"system.listMethods","params":["token:whatever"]})", "k");
  ASSERT_EQ(exchange.invocations().size(), 1u);
  EXPECT_TRUE(exchange.invocations()[0].params.empty());
  EXPECT_EQ(exchange.wrongSecrets(), 0u);
}

TEST(RpcExchange, BodiesThatAreNoRequestsGetTheProtocolErrors) {
  RpcExchange garbage("{\"jsonrpc\":", "k");
  EXPECT_TRUE(garbage.ParseFailed());
  EXPECT_EQ(Answer(garbage)["error"]["code"], -32700);
  EXPECT_TRUE(Answer(garbage)["id"].is_null());

  RpcExchange noMethod(R"({"jsonrpc":"2.0","id":3})", "k");
  EXPECT_EQ(Answer(noMethod)["error"]["code"], -32600);
  EXPECT_EQ(Answer(noMethod)["id"], 3);

  RpcExchange badParams(R"({"jsonrpc":"2.0","id":3,"method":"aria2.pause","params":{"a":1}})", "k");
  EXPECT_EQ(Answer(badParams)["error"]["code"], -32600);

  std::string deep(RpcExchange::kMaxDepth + 1, '[');
  deep += std::string(RpcExchange::kMaxDepth + 1, ']');
  RpcExchange tooDeep(deep, "k");
  EXPECT_TRUE(tooDeep.ParseFailed());
}

TEST(RpcExchange, BatchesAnswerEachCallInOrderAndAreCapped) {
  RpcExchange batch(R"([{"jsonrpc":"2.0","id":1,"method":"a","params":["token:k"]},
                        {"jsonrpc":"2.0","id":2,"method":"b","params":["token:bad"]},
                        {"jsonrpc":"2.0","id":3,"method":"fail","params":["token:k"]}])",
                    "k");
  EXPECT_EQ(batch.invocations().size(), 2u);
  RunAll(batch);
  const json answer = Answer(batch);
  ASSERT_EQ(answer.size(), 3u);
  EXPECT_EQ(answer[0]["result"]["method"], "a");
  EXPECT_EQ(answer[1]["error"]["message"], "Unauthorized");
  EXPECT_EQ(answer[2]["error"]["message"], "no");
  EXPECT_FALSE(batch.AnswerIsError()) << "a batch as a whole is answered with success";

  std::string big = "[";
  for (std::size_t i = 0; i <= RpcExchange::kMaxBatch; ++i) big += std::string(i ? "," : "") + R"({"id":1,"method":"a"})";
  RpcExchange tooBig(big + "]", "k");
  EXPECT_TRUE(tooBig.invocations().empty());
  EXPECT_EQ(Answer(tooBig)["error"]["code"], -32600);
}

TEST(RpcExchange, MulticallRunsItsCallsWithTheirOwnSecrets) {
  RpcExchange exchange(R"({"jsonrpc":"2.0","id":"m","method":"system.multicall","params":[[
      {"methodName":"aria2.getVersion","params":["token:k"]},
      {"methodName":"aria2.getVersion","params":["token:x"]},
      {"methodName":"system.multicall","params":[[]]},
      {"methodName":"fail","params":["token:k"]},
      {"params":[]}]]})",
                       "k");
  ASSERT_EQ(exchange.invocations().size(), 2u);
  RunAll(exchange);
  const json result = Answer(exchange)["result"];
  ASSERT_EQ(result.size(), 5u);
  EXPECT_EQ(result[0][0]["method"], "aria2.getVersion") << "each result wrapped in an array";
  EXPECT_EQ(result[1]["message"], "Unauthorized");
  EXPECT_EQ(result[2]["code"], 1);
  EXPECT_EQ(result[3]["message"], "no");
  EXPECT_EQ(result[4]["code"], 1);
  EXPECT_EQ(exchange.wrongSecrets(), 1u);
}

TEST(RpcExchange, TextThatIsNotUtf8IsStillAnswered) {
  RpcExchange exchange(R"({"jsonrpc":"2.0","id":1,"method":"a","params":["token:k"]})", "k");
  exchange.invocations()[0].outcome.result = std::string("bad \xff byte");
  EXPECT_NO_THROW(Answer(exchange));
}

TEST(RpcExchange, NotificationsCarryTheGid) {
  const json note = json::parse(rpc::NotificationText("aria2.onDownloadStart", "0123456789abcdef"));
  EXPECT_EQ(note["method"], "aria2.onDownloadStart");
  EXPECT_EQ(note["params"][0]["gid"], "0123456789abcdef");
  EXPECT_FALSE(note.contains("id"));
}

}  // namespace
