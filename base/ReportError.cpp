#include "base/ReportError.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

std::mutex& SinkMutex() {
  static std::mutex m;
  return m;
}

DiagnosticSink& CurrentSink() {
  static DiagnosticSink sink;
  return sink;
}

bool DiagnosticsToStderr() {
  static const bool enabled = [] {
    const char* env = std::getenv("VELMORA_DIAG");
    return env && std::strcmp(env, "1") == 0;
  }();
  return enabled;
}

void Deliver(const std::string& report) {
  std::lock_guard lock(SinkMutex());
  if (CurrentSink()) {
    CurrentSink()(report);
    return;
  }
  if (DiagnosticsToStderr()) {
    std::string line = report;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    std::fprintf(stderr, "%s\n", line.c_str());
  }
}

bool SomeoneListens() {
  std::lock_guard lock(SinkMutex());
  return CurrentSink() || DiagnosticsToStderr();
}

}  // namespace

void ReportError(const char* stem, int line, const char* format, ...) {
  if (!SomeoneListens()) return;  // formatting is wasted work when nobody reads it
  va_list args;
  va_start(args, format);
  // The report formats lead with "(error) (%s:%d) "; format the stem and line
  // by hand and let vsnprintf take the rest of the format.
  std::string head;
  const char* rest = format;
  const char* marker = std::strstr(format, "(%s:%d)");
  if (marker) {
    head.assign(format, static_cast<size_t>(marker - format));
    head += "(";
    head += stem ? stem : "";
    head += ":" + std::to_string(line) + ")";
    rest = marker + 7;
  }
  va_list copy;
  va_copy(copy, args);
  int needed = std::vsnprintf(nullptr, 0, rest, copy);
  va_end(copy);
  std::string tail;
  if (needed > 0) {
    tail.resize(static_cast<size_t>(needed) + 1);
    std::vsnprintf(tail.data(), tail.size(), rest, args);
    tail.resize(static_cast<size_t>(needed));
  }
  va_end(args);
  Deliver(head + tail);
}

void ReportErrorText(const char* stem, int line, const std::string& text) {
  if (!SomeoneListens()) return;
  Deliver("(error) (" + std::string(stem ? stem : "") + ":" + std::to_string(line) + ") " + text + "\n");
}

DiagnosticSink SetDiagnosticSink(DiagnosticSink sink) {
  std::lock_guard lock(SinkMutex());
  DiagnosticSink previous = std::move(CurrentSink());
  CurrentSink() = std::move(sink);
  return previous;
}
