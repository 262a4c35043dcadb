#include "ui/controls/UIText.h"

#include <QFontMetrics>
#include <QPainter>

#include "ui/controls/UIAttributes.h"
#include "ui/controls/UIRender.h"

namespace ui {

namespace {

int QtFlags(unsigned style) {
  int flags = 0;
  if (style & kTextCenter)
    flags |= Qt::AlignHCenter;
  else if (style & kTextRight)
    flags |= Qt::AlignRight;
  else
    flags |= Qt::AlignLeft;
  if (style & kTextVCenter)
    flags |= Qt::AlignVCenter;
  else if (style & kTextBottom)
    flags |= Qt::AlignBottom;
  else
    flags |= Qt::AlignTop;
  if (style & kTextWordBreak) flags |= Qt::TextWordWrap;
  return flags;
}

}  // namespace

namespace {

// One line, placed by hand: much cheaper than the rectangle form of
// drawText, which lays the text out as a paragraph on every call. Lists
// draw hundreds of these per frame.
void DrawLine(QPainter& painter, const QRect& box, QString text, const QFont& font, unsigned style) {
  QFontMetrics metrics(font);
  int width = metrics.horizontalAdvance(text);
  if ((style & kTextEndEllipsis) && width > box.width()) {
    text = metrics.elidedText(text, Qt::ElideRight, box.width());
    width = metrics.horizontalAdvance(text);
  }
  int x = box.left();
  if (style & kTextCenter)
    x += (box.width() - width) / 2;
  else if (style & kTextRight)
    x += box.width() - width;
  int top = box.top();
  if (style & kTextVCenter)
    top += (box.height() - metrics.height()) / 2;
  else if (style & kTextBottom)
    top += box.height() - metrics.height();
  painter.drawText(QPointF(x, top + metrics.ascent()), text);
}

}  // namespace

void DrawText(QPainter& painter, const RECT& rc, std::u16string_view text, const QFont& font,
              std::uint32_t argb, unsigned style) {
  if (text.empty() || rc.right <= rc.left || rc.bottom <= rc.top) return;
  painter.setFont(font);
  painter.setPen(ToQColor(argb));
  QRect box = ToQRect(rc);
  QString qtext = ToQString(text);
  if (style & kTextWordBreak) {
    painter.drawText(box, QtFlags(style), qtext);
    return;
  }
  qtext.replace(u'\n', u' ');
  DrawLine(painter, box, std::move(qtext), font, style);
}

SIZE MeasureText(std::u16string_view text, const QFont& font, unsigned style, int width) {
  QFontMetrics metrics(font);
  QString qtext = ToQString(text);
  if ((style & kTextWordBreak) && width > 0) {
    QRect r = metrics.boundingRect(QRect(0, 0, width, 100000), QtFlags(style), qtext);
    return SIZE{r.width(), r.height()};
  }
  return SIZE{metrics.horizontalAdvance(qtext), metrics.height()};
}

}  // namespace ui
