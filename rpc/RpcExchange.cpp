#include "rpc/RpcExchange.h"

#include "rpc/SecretCheck.h"

namespace rpc {

namespace {

using nlohmann::json;

constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kServerError = 1;

// Methods a client may ask before it knows the secret: they tell nothing
// about the tasks.
bool NeedsNoSecret(const std::string& method) {
  return method == "system.listMethods" || method == "system.listNotifications";
}

}  // namespace

json ErrorObject(int code, const std::string& message) { return json{{"code", code}, {"message", message}}; }

std::string JsonText(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

std::string NotificationText(const std::string& method, const std::string& gid) {
  return JsonText(json{{"jsonrpc", "2.0"}, {"method", method}, {"params", json::array({json{{"gid", gid}}})}});
}

int NestingDepth(std::string_view text, int limit) {
  int depth = 0, deepest = 0;
  bool inString = false, escaped = false;
  for (const char c : text) {
    if (inString) {
      if (escaped) escaped = false;
      else if (c == '\\') escaped = true;
      else if (c == '"') inString = false;
      continue;
    }
    if (c == '"') inString = true;
    else if (c == '[' || c == '{') {
      if (++depth > deepest) deepest = depth;
      if (deepest > limit) return deepest;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return deepest;
}

RpcExchange::RpcExchange(std::string_view body, std::string_view secret) {
  json parsed;
  if (NestingDepth(body, kMaxDepth) <= kMaxDepth) parsed = json::parse(body, nullptr, false);
  else parsed = json(json::value_t::discarded);
  if (parsed.is_discarded()) {
    parseFailed = true;
    Slot slot;
    slot.error = ErrorObject(kParseError, "Parse error.");
    slots.push_back(std::move(slot));
    return;
  }
  if (!parsed.is_array()) {
    ReadOne(parsed, secret);
    return;
  }
  batch = true;
  if (parsed.size() > kMaxBatch) {
    batch = false;
    Slot slot;
    slot.error = ErrorObject(kInvalidRequest, "a batch holds at most " + std::to_string(kMaxBatch) + " calls");
    slots.push_back(std::move(slot));
    return;
  }
  for (const json& request : parsed) ReadOne(request, secret);
}

json RpcExchange::Admit(const std::string& method, json& params, std::string_view secret) {
  if (NeedsNoSecret(method)) {
    // A client that sends its secret anyway gets it taken off as well.
    std::string_view token;
    if (!params.empty() && params[0].is_string() && TokenOf(params[0].get_ref<const std::string&>(), token)) {
      params.erase(params.begin());
    }
    return nullptr;
  }
  std::string_view token;
  const bool carried = !params.empty() && params[0].is_string() &&
                       TokenOf(params[0].get_ref<const std::string&>(), token);
  if (!carried || !SecretMatches(token, secret)) {
    ++unauthorized;
    return ErrorObject(kServerError, "Unauthorized");
  }
  ++authorized;
  params.erase(params.begin());
  return nullptr;
}

void RpcExchange::ReadOne(const json& request, std::string_view secret) {
  Slot slot;
  const bool isObject = request.is_object();
  if (isObject && request.contains("id")) slot.id = request["id"];
  // Without an id nobody could match the answer; such calls are refused,
  // not run silently.
  if (!isObject || !request.contains("id") || !request.contains("method") || !request["method"].is_string() ||
      (request.contains("params") && !request["params"].is_array())) {
    slot.error = ErrorObject(kInvalidRequest, "Invalid Request.");
    slots.push_back(std::move(slot));
    return;
  }
  const std::string method = request["method"].get<std::string>();
  json params = request.contains("params") ? request["params"] : json::array();
  if (method == "system.multicall") {
    ReadMulticall(slot, params, secret);
    slots.push_back(std::move(slot));
    return;
  }
  json refused = Admit(method, params, secret);
  if (!refused.is_null()) {
    slot.error = std::move(refused);
  } else {
    slot.callIndexes.push_back(calls.size());
    calls.push_back(Invocation{method, std::move(params), {}});
  }
  slots.push_back(std::move(slot));
}

void RpcExchange::ReadMulticall(Slot& slot, const json& params, std::string_view secret) {
  slot.multicall = true;
  if (params.size() != 1 || !params[0].is_array() || params[0].size() > kMaxBatch) {
    slot.multicall = false;
    slot.error = ErrorObject(kServerError, "system.multicall takes one array of at most " +
                                               std::to_string(kMaxBatch) + " calls");
    return;
  }
  for (const json& entry : params[0]) {
    if (!entry.is_object() || !entry.contains("methodName") || !entry["methodName"].is_string() ||
        (entry.contains("params") && !entry["params"].is_array())) {
      slot.callErrors.push_back(ErrorObject(kServerError, "Missing methodName or params."));
      slot.callIndexes.push_back(0);
      continue;
    }
    const std::string method = entry["methodName"].get<std::string>();
    json callParams = entry.contains("params") ? entry["params"] : json::array();
    json refused = method == "system.multicall" ? ErrorObject(kServerError, "Recursive system.multicall forbidden.")
                                                : Admit(method, callParams, secret);
    slot.callIndexes.push_back(calls.size());
    if (!refused.is_null()) {
      slot.callErrors.push_back(std::move(refused));
      continue;
    }
    slot.callErrors.push_back(nullptr);
    calls.push_back(Invocation{method, std::move(callParams), {}});
  }
}

json RpcExchange::SlotAnswer(const Slot& slot) const {
  json answer = {{"id", slot.id}, {"jsonrpc", "2.0"}};
  if (!slot.error.is_null()) {
    answer["error"] = slot.error;
    return answer;
  }
  if (!slot.multicall) {
    const CallOutcome& outcome = calls[slot.callIndexes[0]].outcome;
    if (outcome.failed) answer["error"] = ErrorObject(outcome.code, outcome.message);
    else answer["result"] = outcome.result;
    return answer;
  }
  json results = json::array();
  for (std::size_t i = 0; i < slot.callIndexes.size(); ++i) {
    if (!slot.callErrors[i].is_null()) {
      results.push_back(slot.callErrors[i]);
      continue;
    }
    const CallOutcome& outcome = calls[slot.callIndexes[i]].outcome;
    if (outcome.failed) results.push_back(ErrorObject(outcome.code, outcome.message));
    else results.push_back(json::array({outcome.result}));
  }
  answer["result"] = std::move(results);
  return answer;
}

std::string RpcExchange::Answer() const {
  if (!batch) return slots.empty() ? std::string() : JsonText(SlotAnswer(slots[0]));
  json all = json::array();
  for (const Slot& slot : slots) all.push_back(SlotAnswer(slot));
  return JsonText(all);
}

bool RpcExchange::AnswerIsError() const {
  if (batch || slots.empty()) return false;
  const Slot& slot = slots[0];
  if (!slot.error.is_null()) return true;
  return !slot.multicall && calls[slot.callIndexes[0]].outcome.failed;
}

}  // namespace rpc
