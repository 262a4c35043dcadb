// Reading a count the scripts keep as text.
#ifndef VELMORA_APP_WIDETEXTTOINT_H
#define VELMORA_APP_WIDETEXTTOINT_H

#include <string_view>

// Leading blanks, an optional sign, then digits; 0 when there is no digit.
// Saturates at the int range instead of overflowing.
int WideTextToInt(std::u16string_view text);

#endif
