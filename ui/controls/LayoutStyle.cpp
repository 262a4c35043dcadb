#include "ui/controls/LayoutStyle.h"

namespace ui {

QFont LayoutStyle::FallbackFont() {
  QFont font(QStringLiteral("WenQuanYi Micro Hei"));
  font.setPixelSize(12);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

void LayoutStyle::AddFont(int id, const QFont& font, bool isDefault) {
  for (auto& entry : fonts_) {
    if (entry.first == id) {
      entry.second = font;
      if (isDefault) defaultIndex_ = id;
      return;
    }
  }
  fonts_.emplace_back(id, font);
  if (isDefault || defaultIndex_ < 0) defaultIndex_ = id;
}

QFont LayoutStyle::Font(int index) const {
  for (const auto& entry : fonts_)
    if (entry.first == index) return entry.second;
  for (const auto& entry : fonts_)
    if (entry.first == defaultIndex_) return entry.second;
  return FallbackFont();
}

}  // namespace ui
