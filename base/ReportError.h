// The diagnostic hook. Every failure of the host and of the native script
// libraries is reported here with its source file stem and line.
//
// By default nothing is written. VELMORA_DIAG=1 in the environment writes each
// report as one line to standard error; tests install their own sink. Safe to
// call from any thread.
#ifndef VELMORA_BASE_REPORTERROR_H
#define VELMORA_BASE_REPORTERROR_H

#include <functional>
#include <string>

// `format` is a printf format whose first two conversions take the stem and
// the line ("(error) (%s:%d) ..."); the remaining arguments follow them.
// (No printf attribute: the stem and line are not among the variadic arguments.)
void ReportError(const char* stem, int line, const char* format, ...);

// For failure sites that hand a plain message (a result-code text or the C
// library's error text): reported as "(error) (stem:line) text\n".
void ReportErrorText(const char* stem, int line, const std::string& text);

// Receives every formatted report; it must not report itself. Returns the sink it replaces; an empty
// function restores the default behaviour.
using DiagnosticSink = std::function<void(const std::string& report)>;
DiagnosticSink SetDiagnosticSink(DiagnosticSink sink);

#endif
