#include "ui/window/KeyMap.h"

#include <array>
#include <utility>

#include <Qt>

namespace ui::detail {

namespace {

constexpr std::array<std::pair<int, UINT>, 32> kKeys{{
    {Qt::Key_Backspace, VK_BACK},  {Qt::Key_Tab, VK_TAB},         {Qt::Key_Return, VK_RETURN},
    {Qt::Key_Enter, VK_RETURN},    {Qt::Key_Shift, VK_SHIFT},     {Qt::Key_Control, VK_CONTROL},
    {Qt::Key_Alt, VK_MENU},        {Qt::Key_Escape, VK_ESCAPE},   {Qt::Key_Space, VK_SPACE},
    {Qt::Key_PageUp, VK_PRIOR},    {Qt::Key_PageDown, VK_NEXT},   {Qt::Key_End, VK_END},
    {Qt::Key_Home, VK_HOME},       {Qt::Key_Left, VK_LEFT},       {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT},     {Qt::Key_Down, VK_DOWN},       {Qt::Key_Delete, VK_DELETE},
    {Qt::Key_Insert, 0x2D},        {Qt::Key_F1, VK_F1},           {Qt::Key_F2, 0x71},
    {Qt::Key_F3, 0x72},            {Qt::Key_F4, VK_F4},           {Qt::Key_F5, 0x74},
    {Qt::Key_F6, 0x75},            {Qt::Key_F7, 0x76},            {Qt::Key_F8, 0x77},
    {Qt::Key_F9, 0x78},            {Qt::Key_F10, 0x79},           {Qt::Key_F11, 0x7A},
    {Qt::Key_F12, 0x7B},           {Qt::Key_Menu, 0x5D},
}};

}  // namespace

UINT VirtualKeyFromQt(int qtKey) {
  if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)) {
    return static_cast<UINT>(qtKey);
  }
  for (const auto& [qt, vk] : kKeys) {
    if (qt == qtKey) return vk;
  }
  return 0;
}

int QtKeyFromVirtualKey(UINT virtualKey) {
  if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z')) {
    return static_cast<int>(virtualKey);
  }
  for (const auto& [qt, vk] : kKeys) {
    if (vk == virtualKey) return qt;
  }
  return 0;
}

}  // namespace ui::detail
