#include "ui/controls/UIImage.h"

#include <unordered_map>

#include <QFile>
#include <QPainter>

#include "base/ReportError.h"
#include "platform/Path.h"
#include "ui/controls/ResourceStore.h"
#include "ui/controls/UIAttributes.h"
#include "ui/controls/UIRender.h"

namespace ui {

namespace {

constexpr const char* kStem = "UIImage";

// Misses are cached too (as null images) so a broken skin costs one report
// and one lookup per name, not one per paint.
std::unordered_map<std::u16string, QImage>& Cache() {
  static std::unordered_map<std::u16string, QImage> cache;
  return cache;
}

std::u16string HighDpiName(std::u16string_view file) {
  size_t dot = file.rfind(u'.');
  if (dot == std::u16string_view::npos) return {};
  std::u16string name(file.substr(0, dot));
  name += u"@2x";
  name += file.substr(dot);
  return name;
}

QImage Decode(const std::string& bytes) {
  QImage image;
  image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()));
  return image;
}

QImage Fetch(std::u16string_view file) {
  std::u16string hiName = HighDpiName(file);
  if (!hiName.empty()) {
    if (auto bytes = ui::detail::ResourceStore::Instance().Read(hiName)) {
      QImage image = Decode(*bytes);
      if (!image.isNull()) {
        image.setDevicePixelRatio(2.0);
        return image;
      }
    }
  }
  if (auto bytes = ui::detail::ResourceStore::Instance().Read(file)) return Decode(*bytes);
  // Outside the skin: a picture on disk (a book cover, a user's icon), named
  // as given or in the desktop's form (drive letters, backslashes).
  QFile disk(ToQString(file));
  if (!disk.exists()) disk.setFileName(QString::fromStdString(platform::NativePathFromWide(file)));
  if (disk.open(QIODevice::ReadOnly)) {
    QByteArray data = disk.readAll();
    QImage image;
    image.loadFromData(data);
    return image;
  }
  return {};
}

RECT Offset(const RECT& r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

QRectF Scaled(const RECT& r, qreal ratio) {
  return QRectF(r.left * ratio, r.top * ratio, (r.right - r.left) * ratio, (r.bottom - r.top) * ratio);
}

// Nine-slice: corners unscaled, edges stretched one way, the centre both.
void DrawSliced(QPainter& painter, const QRect& target, const QImage& image, const QRectF& source,
                const RECT& corner, qreal ratio) {
  const int xs[4] = {target.left(), target.left() + corner.left, target.right() + 1 - corner.right,
                     target.right() + 1};
  const int ys[4] = {target.top(), target.top() + corner.top, target.bottom() + 1 - corner.bottom,
                     target.bottom() + 1};
  const qreal sx[4] = {source.left(), source.left() + corner.left * ratio, source.right() - corner.right * ratio,
                       source.right()};
  const qreal sy[4] = {source.top(), source.top() + corner.top * ratio, source.bottom() - corner.bottom * ratio,
                       source.bottom()};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      QRect dst(QPoint(xs[col], ys[row]), QPoint(xs[col + 1] - 1, ys[row + 1] - 1));
      QRectF src(QPointF(sx[col], sy[row]), QPointF(sx[col + 1], sy[row + 1]));
      if (dst.width() > 0 && dst.height() > 0 && src.width() > 0 && src.height() > 0)
        painter.drawImage(dst, image, src);
    }
  }
}

}  // namespace

ImageSpec ParseImageSpec(std::u16string_view descriptor) {
  ImageSpec spec;
  if (descriptor.find(u'=') == std::u16string_view::npos) {
    spec.file = descriptor;
    return spec;
  }
  for (auto& [name, value] : ParseAttributeList(descriptor)) {
    if (name == u"file")
      spec.file = value;
    else if (name == u"corner")
      ParseRect(value, spec.corner);
    else if (name == u"dest")
      spec.hasDest = ParseRect(value, spec.dest);
    else if (name == u"source")
      spec.hasSource = ParseRect(value, spec.source);
    else if (name == u"fade")
      spec.fade = ParseIntOr(value, 255);
  }
  return spec;
}

const QImage* LoadImage(std::u16string_view file) {
  if (file.empty()) return nullptr;
  auto& cache = Cache();
  std::u16string key(file);
  auto it = cache.find(key);
  if (it == cache.end()) {
    QImage image = Fetch(file);
    if (image.isNull()) {
      std::string narrow = ToQString(file).toStdString();
      ReportError(kStem, __LINE__, "(error) (%s:%d) image '%s' is missing or not an image.\n", narrow.c_str());
    } else if (image.format() != QImage::Format_ARGB32_Premultiplied) {
      image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    it = cache.emplace(std::move(key), std::move(image)).first;
  }
  return it->second.isNull() ? nullptr : &it->second;
}

SIZE ImageSize(std::u16string_view file) {
  const QImage* image = LoadImage(file);
  if (!image) return {};
  QSizeF size = image->deviceIndependentSize();
  return SIZE{static_cast<LONG>(size.width()), static_cast<LONG>(size.height())};
}

bool DrawImage(QPainter& painter, const RECT& rc, std::u16string_view descriptor) {
  if (descriptor.empty()) return false;
  ImageSpec spec = ParseImageSpec(descriptor);
  const QImage* image = LoadImage(spec.file);
  if (!image) return false;
  const qreal ratio = image->devicePixelRatio();
  RECT target = spec.hasDest ? Offset(spec.dest, rc.left, rc.top) : rc;
  if (target.right <= target.left || target.bottom <= target.top) return false;
  QRectF source = spec.hasSource ? Scaled(spec.source, ratio) : QRectF(image->rect());
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  const qreal oldOpacity = painter.opacity();
  if (spec.fade < 255) painter.setOpacity(oldOpacity * std::max(0, spec.fade) / 255.0);
  const bool sliced = spec.corner.left || spec.corner.top || spec.corner.right || spec.corner.bottom;
  if (sliced)
    DrawSliced(painter, ToQRect(target), *image, source, spec.corner, ratio);
  else
    painter.drawImage(QRectF(ToQRect(target)), *image, source);
  painter.setOpacity(oldOpacity);
  return true;
}

void ClearImageCache() { Cache().clear(); }

}  // namespace ui
