#include "ui/controls/FocusChain.h"

#include <algorithm>
#include <vector>

#include "ui/controls/CContainerUI.h"
#include "ui/controls/CControlUI.h"
#include "ui/controls/CPaintManagerUI.h"

namespace ui {

namespace {

void Collect(CControlUI* control, std::vector<CControlUI*>& out) {
  if (!control->IsShown()) return;
  const RECT& rc = control->GetPos();
  if (control->IsFocusable() && control->IsEnabled() && rc.right > rc.left && rc.bottom > rc.top)
    out.push_back(control);
  if (auto* box = dynamic_cast<CContainerUI*>(control))
    for (int i = 0; i < box->GetCount(); ++i) Collect(box->GetItemAt(i), out);
}

}  // namespace

bool MoveFocus(CControlUI* from, bool forward) {
  CPaintManagerUI* manager = from ? from->GetManager() : nullptr;
  if (!manager || !manager->GetRoot()) return false;
  std::vector<CControlUI*> chain;
  Collect(manager->GetRoot(), chain);
  if (chain.empty()) return false;
  const auto at = std::find(chain.begin(), chain.end(), from);
  const long count = static_cast<long>(chain.size());
  long index = at == chain.end() ? (forward ? -1 : 0) : static_cast<long>(at - chain.begin());
  index = (index + (forward ? 1 : count - 1)) % count;
  CControlUI* next = chain[static_cast<size_t>(index)];
  if (next == from) return false;
  manager->SetFocus(next);
  return true;
}

}  // namespace ui
