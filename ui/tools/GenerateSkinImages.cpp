// Draws the skin's images: glyph icons at twice their layout size (saved
// as name@2x.png, which the image loader prefers and draws at half size)
// into SKIN_DIR/images, and the placeholder cover as SKIN_DIR/cover.png
// (the name the picture window falls back to). Run it when the look changes
// and commit the results:
//   velmora-skin-images SKIN_DIR
// With --app-icons, draws the logo as the desktop's application icon in the
// usual sizes instead, as ICON_DIR/hicolor/NxN/apps/velmora.png:
//   velmora-skin-images --app-icons ICON_DIR
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kGlyph(0x5F, 0x6B, 0x7A);
const QColor kAccent(0x2F, 0x6F, 0xEB);
const QColor kWhite(Qt::white);

using Draw = std::function<void(QPainter&)>;

// Draws in layout units on a canvas of `size` layout pixels at scale 2.
bool Save(const QString& dir, const QString& name, int width, int height, const Draw& draw, int scale = 2) {
  QImage image(width * scale, height * scale, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    draw(p);
  }
  const QString file = dir + '/' + name + (scale == 2 ? QStringLiteral("@2x.png") : QStringLiteral(".png"));
  if (!image.save(file, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    return false;
  }
  return true;
}

QPen Stroke(const QColor& color, qreal width = 1.5) { return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

void Logo(QPainter& p, qreal size) {
  QLinearGradient g(0, 0, size, size);
  g.setColorAt(0, QColor(0x4C, 0x9A, 0xFF));
  g.setColorAt(1, QColor(0x2F, 0x5F, 0xE0));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(QRectF(0, 0, size, size), size * 0.26, size * 0.26);
  const qreal u = size / 22.0;
  p.setPen(Stroke(kWhite, 2.0 * u));
  p.drawLine(QPointF(11 * u, 5 * u), QPointF(11 * u, 13 * u));
  QPainterPath head;
  head.moveTo(7.5 * u, 10 * u);
  head.lineTo(11 * u, 13.5 * u);
  head.lineTo(14.5 * u, 10 * u);
  p.drawPath(head);
  p.drawLine(QPointF(6 * u, 17 * u), QPointF(16 * u, 17 * u));
}

void Close(QPainter& p, const QColor& c) {
  p.setPen(Stroke(c, 1.4));
  p.drawLine(QPointF(4, 4), QPointF(12, 12));
  p.drawLine(QPointF(12, 4), QPointF(4, 12));
}

void DownloadGlyph(QPainter& p, const QColor& c) {
  p.setPen(Stroke(c, 1.5));
  p.drawLine(QPointF(8, 2.5), QPointF(8, 10));
  QPainterPath head;
  head.moveTo(4.8, 7);
  head.lineTo(8, 10.2);
  head.lineTo(11.2, 7);
  p.drawPath(head);
  QPainterPath tray;
  tray.moveTo(2.5, 10.5);
  tray.lineTo(2.5, 13.5);
  tray.lineTo(13.5, 13.5);
  tray.lineTo(13.5, 10.5);
  p.drawPath(tray);
}

void DoneGlyph(QPainter& p, const QColor& c) {
  p.setPen(Stroke(c, 1.5));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(8, 8), 6, 6);
  QPainterPath tick;
  tick.moveTo(5.2, 8.2);
  tick.lineTo(7.2, 10.2);
  tick.lineTo(10.9, 6.2);
  p.drawPath(tick);
}

void SettingsGlyph(QPainter& p, const QColor& c) {
  p.setPen(Stroke(c, 1.5));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
  for (int i = 0; i < 8; ++i) {
    const double a = i * M_PI / 4;
    p.drawLine(QPointF(8 + 4.3 * std::cos(a), 8 + 4.3 * std::sin(a)), QPointF(8 + 6 * std::cos(a), 8 + 6 * std::sin(a)));
  }
  p.drawEllipse(QPointF(8, 8), 4.3, 4.3);
}

void Folder(QPainter& p, const QColor& c) {
  p.setPen(Stroke(c, 1.4));
  p.setBrush(Qt::NoBrush);
  QPainterPath path;
  path.moveTo(2, 4);
  path.lineTo(6, 4);
  path.lineTo(7.5, 5.5);
  path.lineTo(14, 5.5);
  path.lineTo(14, 12.5);
  path.lineTo(2, 12.5);
  path.closeSubpath();
  p.drawPath(path);
}

void Trash(QPainter& p, const QColor& c) {
  p.setPen(Stroke(c, 1.4));
  p.setBrush(Qt::NoBrush);
  p.drawLine(QPointF(2.5, 4.5), QPointF(13.5, 4.5));
  p.drawLine(QPointF(6, 4.5), QPointF(6.5, 2.5));
  p.drawLine(QPointF(6.5, 2.5), QPointF(9.5, 2.5));
  p.drawLine(QPointF(9.5, 2.5), QPointF(10, 4.5));
  QPainterPath body;
  body.moveTo(4, 4.5);
  body.lineTo(4.8, 13.5);
  body.lineTo(11.2, 13.5);
  body.lineTo(12, 4.5);
  p.drawPath(body);
  p.drawLine(QPointF(6.8, 7), QPointF(6.8, 11));
  p.drawLine(QPointF(9.2, 7), QPointF(9.2, 11));
}

bool DrawAll(const QString& skin) {
  const QString dir = skin + QStringLiteral("/images");
  bool ok = true;
  ok &= Save(dir, "logo", 22, 22, [](QPainter& p) { Logo(p, 22); });
  ok &= Save(dir, "tray", 32, 32, [](QPainter& p) { Logo(p, 32); });
  ok &= Save(dir, "btn_close", 16, 16, [](QPainter& p) { Close(p, kGlyph); });
  ok &= Save(dir, "btn_close_hot", 16, 16, [](QPainter& p) { Close(p, kWhite); });
  ok &= Save(dir, "btn_min", 16, 16, [](QPainter& p) {
    p.setPen(Stroke(kGlyph, 1.4));
    p.drawLine(QPointF(4, 8.5), QPointF(12, 8.5));
  });
  ok &= Save(dir, "btn_max", 16, 16, [](QPainter& p) {
    p.setPen(Stroke(kGlyph, 1.3));
    p.drawRoundedRect(QRectF(4, 4, 8, 8), 1.2, 1.2);
  });
  ok &= Save(dir, "btn_restore", 16, 16, [](QPainter& p) {
    p.setPen(Stroke(kGlyph, 1.3));
    p.drawRoundedRect(QRectF(3.5, 6, 6.5, 6.5), 1, 1);
    QPainterPath back;
    back.moveTo(6, 6);
    back.lineTo(6, 3.5);
    back.lineTo(12.5, 3.5);
    back.lineTo(12.5, 10);
    back.lineTo(10, 10);
    p.drawPath(back);
  });
  ok &= Save(dir, "btn_menu", 16, 16, [](QPainter& p) {
    p.setPen(Stroke(kGlyph, 1.4));
    for (qreal y : {4.5, 8.0, 11.5}) p.drawLine(QPointF(3.5, y), QPointF(12.5, y));
  });
  ok &= Save(dir, "ico_search", 16, 16, [](QPainter& p) {
    p.setPen(Stroke(QColor(0x8A, 0x93, 0xA0), 1.5));
    p.drawEllipse(QPointF(7, 7), 4.2, 4.2);
    p.drawLine(QPointF(10.2, 10.2), QPointF(13.5, 13.5));
  });
  ok &= Save(dir, "ico_downloading", 16, 16, [](QPainter& p) { DownloadGlyph(p, kGlyph); });
  ok &= Save(dir, "ico_downloading_sel", 16, 16, [](QPainter& p) { DownloadGlyph(p, kAccent); });
  ok &= Save(dir, "ico_done", 16, 16, [](QPainter& p) { DoneGlyph(p, kGlyph); });
  ok &= Save(dir, "ico_done_sel", 16, 16, [](QPainter& p) { DoneGlyph(p, kAccent); });
  ok &= Save(dir, "ico_settings", 16, 16, [](QPainter& p) { SettingsGlyph(p, kGlyph); });
  ok &= Save(dir, "ico_settings_sel", 16, 16, [](QPainter& p) { SettingsGlyph(p, kAccent); });
  ok &= Save(dir, "ico_add", 16, 16, [](QPainter& p) {
    p.setPen(Stroke(kWhite, 1.7));
    p.drawLine(QPointF(8, 3.5), QPointF(8, 12.5));
    p.drawLine(QPointF(3.5, 8), QPointF(12.5, 8));
  });
  ok &= Save(dir, "ico_start", 16, 16, [](QPainter& p) {
    p.setPen(Stroke(kGlyph, 1.4));
    QPainterPath play;
    play.moveTo(5, 3.5);
    play.lineTo(12.5, 8);
    play.lineTo(5, 12.5);
    play.closeSubpath();
    p.drawPath(play);
  });
  ok &= Save(dir, "ico_pause", 16, 16, [](QPainter& p) {
    p.setPen(Stroke(kGlyph, 1.8));
    p.drawLine(QPointF(5.5, 4), QPointF(5.5, 12));
    p.drawLine(QPointF(10.5, 4), QPointF(10.5, 12));
  });
  ok &= Save(dir, "ico_delete", 16, 16, [](QPainter& p) { Trash(p, kGlyph); });
  ok &= Save(dir, "ico_folder", 16, 16, [](QPainter& p) { Folder(p, kGlyph); });
  ok &= Save(dir, "ico_info", 20, 20, [](QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawEllipse(QRectF(1, 1, 18, 18));
    p.setBrush(kWhite);
    p.drawEllipse(QPointF(10, 6), 1.3, 1.3);
    p.drawRoundedRect(QRectF(8.8, 8.5, 2.4, 7), 1.2, 1.2);
  });
  ok &= Save(skin, "cover", 552, 763, [](QPainter& p) {
    QLinearGradient g(0, 0, 0, 763);
    g.setColorAt(0, QColor(0xEE, 0xF3, 0xFB));
    g.setColorAt(1, QColor(0xD8, 0xE3, 0xF5));
    p.fillRect(QRectF(0, 0, 552, 763), g);
    p.setPen(Stroke(QColor(0x9A, 0xB0, 0xD6), 6));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(176, 261, 200, 240), 14, 14);
    p.drawLine(QPointF(216, 261), QPointF(216, 501));
    p.drawLine(QPointF(246, 321), QPointF(336, 321));
    p.drawLine(QPointF(246, 361), QPointF(336, 361));
  }, 1);
  return ok;
}

// Each size drawn on its own pixel grid, so the small ones stay crisp.
bool DrawAppIcons(const QString& root) {
  bool ok = true;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString dir = root + QStringLiteral("/hicolor/%1x%1/apps").arg(size);
    QDir().mkpath(dir);
    ok &= Save(dir, "velmora", size, size, [size](QPainter& p) { Logo(p, size); }, 1);
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const bool icons = argc == 3 && std::strcmp(argv[1], "--app-icons") == 0;
  if (argc != 2 && !icons) {
    std::fprintf(stderr, "usage: %s SKIN_DIR | --app-icons ICON_DIR\n", argv[0]);
    return 2;
  }
  QGuiApplication app(argc, argv);
  if (icons) return DrawAppIcons(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
  return DrawAll(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
