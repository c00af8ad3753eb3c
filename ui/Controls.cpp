#include "ui/Controls.h"

#include <cstdio>

namespace jc::ui {

std::string DateTime::Yyyymmdd() const {
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d", year, month, day);
  return text;
}

std::string TComboBox::Text() const {
  if (itemIndex < 0 || itemIndex >= static_cast<int>(items.size())) return {};
  return items[static_cast<std::size_t>(itemIndex)];
}

}  // namespace jc::ui
