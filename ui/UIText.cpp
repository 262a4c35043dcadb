#include "ui/UIText.h"

#include <QFontMetrics>
#include <QPainter>

#include "ui/UIAttributes.h"
#include "ui/UIRender.h"

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

void DrawText(QPainter& painter, const RECT& rc, std::u16string_view text, const QFont& font,
              std::uint32_t argb, unsigned style) {
  if (text.empty() || rc.right <= rc.left || rc.bottom <= rc.top) return;
  painter.setFont(font);
  painter.setPen(ToQColor(argb));
  QRect box = ToQRect(rc);
  QString qtext = ToQString(text);
  if ((style & kTextEndEllipsis) && !(style & kTextWordBreak)) {
    QFontMetrics metrics(font);
    if (metrics.horizontalAdvance(qtext) > box.width())
      qtext = metrics.elidedText(qtext, Qt::ElideRight, box.width());
  }
  if (!(style & kTextWordBreak)) qtext.replace(u'\n', u' ');
  painter.drawText(box, QtFlags(style), qtext);
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
