#include "ui/DropTarget.h"

#include <QMimeData>
#include <QUrl>

#include "script/ReportError.h"
#include "ui/CPaintManagerUI.h"
#include "ui/CControlUI.h"
#include "ui/UIAttributes.h"
#include "ui/WindowHost.h"

namespace ui {

namespace {

constexpr const char* kStem = "DropTarget";

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
  items.text = FromQString(text);
  return items;
}

std::optional<detail::DroppedItems> FromText(QString text) {
  if (static_cast<std::size_t>(text.size()) > kMaxDropTextUnits) return std::nullopt;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(u'\r', u'\n');
  detail::DroppedItems items;
  for (const QStringView line : QStringView(text).split(u'\n'))
    if (!line.trimmed().isEmpty()) ++items.count;
  items.text = FromQString(text);
  return items;
}

}  // namespace

bool SetAcceptDrops(HWND hwnd, bool accept) {
  detail::WindowHost* host = detail::WindowHost::From(hwnd);
  if (!host) return false;
  host->setAcceptDrops(accept);
  return true;
}

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

bool DeliverDrop(HWND hwnd, POINT pt, DroppedItems items) {
  WindowHost* host = WindowHost::From(hwnd);
  CPaintManagerUI* manager = host ? host->Manager() : nullptr;
  if (!manager || !manager->GetRoot()) return false;
  CControlUI* sender = manager->FindControl(pt);
  TNotifyUI msg;
  msg.sType = u"drop";
  msg.pSender = sender ? sender : manager->GetRoot();
  msg.wParam = static_cast<WPARAM>(items.count);
  msg.sText = std::move(items.text);
  manager->SendNotifyAt(msg, pt);
  return true;
}

}  // namespace detail

}  // namespace ui
