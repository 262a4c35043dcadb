// Reading layout attribute values: numbers, booleans, colours, rectangles,
// sizes and attribute lists, plus the UTF-16 <-> QString bridge. A value
// that does not parse leaves the target unchanged and says so.
#ifndef VELMORA_UI_CONTROLS_UIATTRIBUTES_H
#define VELMORA_UI_CONTROLS_UIATTRIBUTES_H

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QColor>
#include <QString>

#include "ui/UIDefs.h"

namespace ui {

bool ParseBool(std::u16string_view value);
// Leading blanks and a sign allowed; false when there is no digit.
bool ParseInt(std::u16string_view value, int& out);
int ParseIntOr(std::u16string_view value, int fallback);
// "#AARRGGBB", "#RRGGBB" (opaque), "0xAARRGGBB"; false otherwise.
bool ParseColor(std::u16string_view value, std::uint32_t& argb);
// "l,t,r,b" (missing trailing parts are 0).
bool ParseRect(std::u16string_view value, RECT& out);
// "cx,cy".
bool ParseSize(std::u16string_view value, SIZE& out);
// Splits `a="1" b='2'` into pairs; stops at the first malformed part.
std::vector<std::pair<std::u16string, std::u16string>> ParseAttributeList(std::u16string_view list);

inline QString ToQString(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}
inline std::u16string FromQString(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
}
inline QColor ToQColor(std::uint32_t argb) {
  return QColor::fromRgba(static_cast<QRgb>(argb));
}

}  // namespace ui

#endif
