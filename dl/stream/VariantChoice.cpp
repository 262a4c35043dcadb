#include "dl/stream/VariantChoice.h"

#include <cstdio>

namespace {

int64_t Pixels(const Variant& v) { return static_cast<int64_t>(v.width) * v.height; }

bool Digits(const std::string& text) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// Whether `a` ranks above `b` when bigger is better.
bool Larger(const Variant& a, const Variant& b) {
  if (a.bandwidth != b.bandwidth) return a.bandwidth > b.bandwidth;
  return Pixels(a) > Pixels(b);
}

}  // namespace

bool IsVariantOption(const std::string& option) {
  return option.empty() || option == "best" || option == "smallest" || Digits(option);
}

int ChooseVariant(const std::vector<Variant>& variants, const std::string& option, std::string& error) {
  if (variants.empty()) return error = "the master playlist lists no variant", -1;
  if (!IsVariantOption(option))
    return error = "variant must be best, smallest, a height or an index, not " + option, -1;
  int chosen = -1;
  auto better = [&](int i, bool bigger) {
    if (chosen < 0) return true;
    return bigger ? Larger(variants[i], variants[chosen]) : Larger(variants[chosen], variants[i]);
  };
  if (option.empty() || option == "best" || option == "smallest") {
    bool bigger = option != "smallest";
    for (int i = 0; i < static_cast<int>(variants.size()); ++i)
      if (better(i, bigger)) chosen = i;
    return chosen;
  }
  long number = std::stol(option);
  for (int i = 0; i < static_cast<int>(variants.size()); ++i)
    if (variants[i].height == number && better(i, true)) chosen = i;
  if (chosen >= 0) return chosen;
  if (number < static_cast<long>(variants.size())) return static_cast<int>(number);
  std::string heights;
  for (const auto& v : variants)
    if (v.height) heights += (heights.empty() ? "" : ", ") + std::to_string(v.height);
  error = "no variant of height " + option + " and no index " + option + " (" + std::to_string(variants.size()) +
          " variants" + (heights.empty() ? "" : "; heights " + heights) + ")";
  return -1;
}

std::string DescribeVariant(const Variant& variant) {
  char text[64];
  if (variant.width && variant.height)
    std::snprintf(text, sizeof text, "%dx%d %.2f Mbit/s", variant.width, variant.height,
                  static_cast<double>(variant.bandwidth) / 1e6);
  else
    std::snprintf(text, sizeof text, "%.2f Mbit/s", static_cast<double>(variant.bandwidth) / 1e6);
  return text;
}
