#include "ui/window/DropReading.h"

#include <QMimeData>
#include <QUrl>

#include "base/ReportError.h"

namespace ui {

namespace {

constexpr const char* kStem = "DropReading";

QString LinkText(const QUrl& url) {
  if (url.isLocalFile()) return url.toLocalFile();
  return url.toString(QUrl::FullyEncoded);
}

std::optional<detail::DroppedItems> FromLinks(const QList<QUrl>& urls) {
  detail::DroppedItems items;
  QString text;
  for (const QUrl& url : urls) {
    if (!url.isValid() || url.isEmpty()) continue;
    if (!text.isEmpty()) text += u'\n';
    text += LinkText(url);
    ++items.count;
    if (static_cast<std::size_t>(text.size()) > kMaxDropTextUnits) return std::nullopt;
  }
  items.text = text.toStdU16String();
  return items;
}

std::optional<detail::DroppedItems> FromText(QString text) {
  if (static_cast<std::size_t>(text.size()) > kMaxDropTextUnits) return std::nullopt;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(u'\r', u'\n');
  detail::DroppedItems items;
  for (const QStringView line : QStringView(text).split(u'\n'))
    if (!line.trimmed().isEmpty()) ++items.count;
  items.text = text.toStdU16String();
  return items;
}

}  // namespace

namespace detail {

bool CanTakeDrop(const QMimeData& data) { return data.hasUrls() || data.hasText(); }

std::optional<DroppedItems> ReadDrop(const QMimeData& data) {
  std::optional<DroppedItems> items;
  if (data.hasUrls())
    items = FromLinks(data.urls());
  else if (data.hasText())
    items = FromText(data.text());
  else
    return std::nullopt;
  if (!items) {
    ReportError(kStem, __LINE__, "(error) (%s:%d) dropped text over %d units refused\n",
                static_cast<int>(kMaxDropTextUnits));
    return std::nullopt;
  }
  if (items->count == 0) return std::nullopt;
  return items;
}

}  // namespace detail

}  // namespace ui
