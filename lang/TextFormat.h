// The placeholders of a catalogue text, as C's printf writes them: %s and
// %d take the next value in order, %% is a percent sign. A translation must
// keep the same conversions in the same order, which PlaceholderSequence
// lets a test compare. Stateless; safe from any thread.
#ifndef VELMORA_LANG_TEXTFORMAT_H
#define VELMORA_LANG_TEXTFORMAT_H

#include <initializer_list>
#include <string>
#include <string_view>

namespace lang {

// The conversions in `text`, one letter each in order ("sd" for "%s ... %d").
// %% is no conversion. Any other letter after % is kept as itself so that a
// typo ("%x") shows up as a difference; a % at the very end reads as "%".
std::string PlaceholderSequence(std::string_view text);

// `pattern` with each %s / %d replaced by the next of `values` (already
// text: callers format their numbers) and %% by %. A conversion without a
// value, or any other %-sequence, stays as written: a wrong translation
// shows itself instead of reading past the values.
std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> values);
std::u16string FormatText(std::u16string_view pattern, std::initializer_list<std::u16string_view> values);

}  // namespace lang

#endif
