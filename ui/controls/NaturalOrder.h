// The order people expect of names in a list: runs of digits compare by
// their value ("part2" before "part10"), letters without regard to case,
// and what still ties falls back to the exact text, so the order is total.
#ifndef VELMORA_UI_CONTROLS_NATURALORDER_H
#define VELMORA_UI_CONTROLS_NATURALORDER_H

#include <string_view>

namespace ui {

// Negative, zero or positive as `a` sorts before, with or after `b`.
int NaturalCompare(std::u16string_view a, std::u16string_view b);

// The number a cell's text starts with ("1.5 MB" -> 1.5), after blanks;
// false when it starts with none.
bool LeadingNumber(std::u16string_view text, double& out);

}  // namespace ui

#endif
