#include "tests/app/XDisplay.h"

#include <set>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

#include "ui/window/Automation.h"
#include "ui/window/WindowHost.h"

ScreenPixels GrabScreenPixels(HWND hwnd, const std::string& pngPath) {
  ScreenPixels out;
  auto* host = ui::detail::WindowHost::From(hwnd);
  if (!host) return out;
  ui::automation::RunUntil([&] { return host->windowHandle() && host->windowHandle()->isExposed(); }, 5000);
  // Let the first paints reach the server.
  ui::automation::RunUntil([] { return false; }, 400);
  const QRect area(host->mapToGlobal(QPoint(0, 0)), host->size());
  QScreen* screen = host->screen() ? host->screen() : QGuiApplication::primaryScreen();
  if (!screen) return out;
  const QImage image =
      screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage().convertToFormat(QImage::Format_RGB32);
  if (!pngPath.empty()) image.save(QString::fromStdString(pngPath), "PNG");
  out.width = image.width();
  out.height = image.height();
  if (image.isNull() || out.width == 0 || out.height == 0) return out;
  std::set<QRgb> colours;
  long black = 0;
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = line[x] & 0xFFFFFF;
      if (c == 0) ++black;
      if (colours.size() < 4096) colours.insert(c);
    }
  }
  const double total = double(out.width) * out.height;
  out.distinctColours = static_cast<int>(colours.size());
  out.blackShare = black / total;
  out.paintedShare = 1.0 - out.blackShare;
  return out;
}
