// Fuzz entry for the layout loader: the input is a layout (UTF-8). Whatever
// it holds, building must give a tree or nothing, never crash; the tree is
// then laid out, searched by point and by name, and painted. Built as a
// libFuzzer target with clang (VELMORA_FUZZ), and replayed over the seed
// corpus by the unit tests.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include <QImage>
#include <QPainter>

#include "base/ReportError.h"
#include "platform/Utf8Codec.h"
#include "ui/controls/CControlUI.h"
#include "ui/controls/CDialogBuilder.h"
#include "ui/controls/UIRender.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    SetDiagnosticSink([](const std::string&) {});
    return true;
  }();
  (void)ready;
  std::u16string text;
  platform::AppendUtf8AsUtf16(std::string_view(reinterpret_cast<const char*>(data), size), text);
  CDialogBuilder builder;
  std::unique_ptr<CControlUI> root(builder.CreateFromText(text));
  if (!root) return 0;
  const RECT area{0, 0, 320, 240};
  root->SetPos(area);
  for (LONG y = 0; y < area.bottom; y += 37)
    for (LONG x = 0; x < area.right; x += 41) root->FindControlAt(POINT{x, y});
  root->FindControlByName(u"closebtn");
  QImage canvas(area.right, area.bottom, QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&canvas);
  UIRenderContext ctx{painter, area, nullptr};
  root->DoPaint(ctx, area);
  return 0;
}
