// CListUI's sorting. Keys are read once per row (a number, or a view of the
// cell's text) and the rows are then moved, not copied, into their new
// order; selection flags travel with their rows and the current row and
// anchor are mapped to their new indexes.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "ui/controls/CListHeaderUI.h"
#include "ui/controls/CListUI.h"
#include "ui/controls/CTreeViewUI.h"
#include "ui/controls/NaturalOrder.h"

namespace {

constexpr int kMaxColumns = 64;

std::vector<int> TextOrder(const std::vector<CListUI::Row>& rows, int column, bool descending) {
  std::vector<std::u16string_view> keys(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& cells = rows[i].cells;
    if (static_cast<size_t>(column) < cells.size()) keys[i] = cells[static_cast<size_t>(column)];
  }
  std::vector<int> order(rows.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const int c = ui::NaturalCompare(keys[static_cast<size_t>(a)], keys[static_cast<size_t>(b)]);
    return descending ? c > 0 : c < 0;
  });
  return order;
}

// Cells that hold no number sort before every number.
std::vector<int> NumberOrder(const std::vector<CListUI::Row>& rows, int column, bool descending) {
  std::vector<double> keys(rows.size(), -HUGE_VAL);
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& cells = rows[i].cells;
    double value = 0;
    if (static_cast<size_t>(column) < cells.size() && ui::LeadingNumber(cells[static_cast<size_t>(column)], value) &&
        !std::isnan(value))
      keys[i] = value;
  }
  std::vector<int> order(rows.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const double ka = keys[static_cast<size_t>(a)];
    const double kb = keys[static_cast<size_t>(b)];
    return descending ? kb < ka : ka < kb;
  });
  return order;
}

}  // namespace

bool CListUI::SortRows(int column, bool descending, SortKind kind) {
  if (column < 0 || column >= kMaxColumns || dynamic_cast<const CTreeViewUI*>(this)) return false;
  const std::vector<int> order =
      kind == SortKind::Number ? NumberOrder(rows_, column, descending) : TextOrder(rows_, column, descending);
  std::vector<int> newIndex(order.size());
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (size_t i = 0; i < order.size(); ++i) {
    newIndex[static_cast<size_t>(order[i])] = static_cast<int>(i);
    sorted.push_back(std::move(rows_[static_cast<size_t>(order[i])]));
  }
  rows_ = std::move(sorted);
  if (curSel_ >= 0) curSel_ = newIndex[static_cast<size_t>(curSel_)];
  if (anchor_ >= 0) anchor_ = newIndex[static_cast<size_t>(anchor_)];
  hotRow_ = -1;
  Invalidate();
  return true;
}

bool CListUI::SetSortMark(int column, int order) {
  if (!header_ || column < 0 || column >= header_->GetCount()) return false;
  for (int i = 0; i < header_->GetCount(); ++i) {
    if (auto* item = dynamic_cast<CListHeaderItemUI*>(header_->GetItemAt(i))) item->SetSortMark(i == column ? order : 0);
  }
  return true;
}
