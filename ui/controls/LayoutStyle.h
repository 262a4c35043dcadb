// What a layout's Window element gives every control built from it: its
// fonts (by index) and the default text colours. Shared, read-only after the
// builder filled it, so controls hold it by shared pointer.
#ifndef VELMORA_UI_CONTROLS_LAYOUTSTYLE_H
#define VELMORA_UI_CONTROLS_LAYOUTSTYLE_H

#include <cstdint>
#include <vector>

#include <QFont>

namespace ui {

class LayoutStyle {
 public:
  // Index `i` as declared by the layout; -1 or an unknown index gives the
  // default font.
  QFont Font(int index) const;
  void AddFont(int id, const QFont& font, bool isDefault);
  std::uint32_t DefaultTextColor() const { return textColor_; }
  void SetDefaultTextColor(std::uint32_t argb) { textColor_ = argb; }
  std::uint32_t DisabledTextColor() const { return disabledTextColor_; }
  void SetDisabledTextColor(std::uint32_t argb) { disabledTextColor_ = argb; }

  // The font of controls outside any layout: the skin's CJK-capable face.
  static QFont FallbackFont();

 private:
  std::vector<std::pair<int, QFont>> fonts_;
  int defaultIndex_ = -1;
  std::uint32_t textColor_ = 0xFF333333;
  std::uint32_t disabledTextColor_ = 0xFFA0A0A0;
};

}  // namespace ui

#endif
