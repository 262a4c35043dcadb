// One message of JSON-RPC 2.0 from a client (an HTTP body or a WebSocket
// text message) on its way to an answer: parsed into calls, each call's
// secret checked and taken off its parameters, the calls run by whoever
// serves them, then the answer put together in the order they came.
// `system.multicall` is opened here into its calls, so those who serve
// them see plain methods only. Built and answered on the server's thread;
// the calls are run on the main loop in between (never both at once).
#ifndef VELMORA_RPC_RPCEXCHANGE_H
#define VELMORA_RPC_RPCEXCHANGE_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace rpc {

// What serving one call gave: a result, or an error code and message.
struct CallOutcome {
  nlohmann::json result;
  bool failed = false;
  int code = 0;
  std::string message;
};

// One call for the main loop: the method and its parameters without the secret.
struct Invocation {
  std::string method;
  nlohmann::json params = nlohmann::json::array();
  CallOutcome outcome;
};

class RpcExchange {
 public:
  static constexpr std::size_t kMaxBatch = 200;
  static constexpr int kMaxDepth = 64;

  // Parses `body`; calls whose secret is wrong or missing are answered with
  // "Unauthorized" at once and counted in wrongSecrets().
  RpcExchange(std::string_view body, std::string_view secret);

  std::vector<Invocation>& invocations() { return calls; }
  std::size_t wrongSecrets() const { return unauthorized; }
  std::size_t rightSecrets() const { return authorized; }
  // The answer's text (empty when nothing is to be sent back) and whether
  // it reports an error (a single call that failed, or a body not read).
  std::string Answer() const;
  bool AnswerIsError() const;
  bool ParseFailed() const { return parseFailed; }

 private:
  // A place in the answer: a finished error, one call, or a multicall.
  struct Slot {
    nlohmann::json id;
    nlohmann::json error;  // set when answered without running anything
    std::vector<std::size_t> callIndexes;
    std::vector<nlohmann::json> callErrors;  // per multicall entry, null when run
    bool multicall = false;
  };

  void ReadOne(const nlohmann::json& request, std::string_view secret);
  void ReadMulticall(Slot& slot, const nlohmann::json& params, std::string_view secret);
  // Checks and strips the secret; an error object when it is not right.
  nlohmann::json Admit(const std::string& method, nlohmann::json& params, std::string_view secret);
  nlohmann::json SlotAnswer(const Slot& slot) const;

  std::vector<Slot> slots;
  std::vector<Invocation> calls;
  bool batch = false;
  bool parseFailed = false;
  std::size_t unauthorized = 0;
  std::size_t authorized = 0;
};

// The error object of JSON-RPC: {"code": code, "message": message}.
nlohmann::json ErrorObject(int code, const std::string& message);
// A notification to clients: {"jsonrpc":"2.0","method":..., "params":[{"gid":...}]}.
std::string NotificationText(const std::string& method, const std::string& gid);
// Deepest nesting of arrays and objects in `text`, strings skipped; stops
// counting once past `limit`. Read before parsing so deep input never
// reaches a recursive step.
int NestingDepth(std::string_view text, int limit);
// JSON text that never fails on bytes that are not UTF-8 (they are replaced).
std::string JsonText(const nlohmann::json& value);

}  // namespace rpc

#endif
