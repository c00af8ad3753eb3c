#pragma once
// Plain models of the window's controls: what the operations read and change,
// and what a view draws. No toolkit types here.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "ui/ResultGrid.h"

namespace jc::ui {

struct FontSpec {
  std::string name = "Tahoma";  // the window font
  int height = 11;              // pixels
  bool bold = false;
  Color color = 0x00000000;     // 0x00BBGGRR
};

struct DateTime {
  int year = 0, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  // "YYYYMMDD"
  std::string Yyyymmdd() const;
};

struct TControl {
  std::string name;
  int left = 0, top = 0, width = 0, height = 0;
  std::string caption;
  bool enabled = true;
  bool visible = true;
  int tabOrder = -1;  // -1: takes no focus
  FontSpec font;
  Align align = Align::Left;
};

// The focusable ones of a view's items (those whose control has a tabOrder
// of 0 or more) in tab order; items of equal order keep the order given.
// controlOf(item) is the item's TControl.
template <class Item, class ControlOf>
std::vector<const Item*> InTabOrder(const std::vector<Item>& items, ControlOf controlOf) {
  std::vector<const Item*> order;
  for (const Item& item : items)
    if (controlOf(item).tabOrder >= 0) order.push_back(&item);
  std::stable_sort(order.begin(), order.end(), [&](const Item* a, const Item* b) {
    return controlOf(*a).tabOrder < controlOf(*b).tabOrder;
  });
  return order;
}

inline constexpr Color kClRed = 0x000000FF;
inline constexpr Color kClSilver = 0x00C0C0C0;
inline constexpr Color kClWhite = 0x00FFFFFF;

struct TButton : TControl {};
struct TLabel : TControl {};
struct TShape : TControl {
  Color penColor = 0x00000000;     // frame
  Color brushColor = kClWhite;     // fill
};
// The one-line status label: the operations set its text; a view listening
// on OnChanged shows a new text at once (writing caption directly is seen
// at the next refresh).
struct TStatusLabel : TLabel {
  const std::string& Text() const { return caption; }
  void SetText(const std::string& text) {
    caption = text;
    if (OnChanged) OnChanged(caption);
  }
  std::function<void(const std::string&)> OnChanged;
};
struct TEdit : TControl {
  std::string text;
};
struct TComboBox : TControl {
  std::vector<std::string> items;
  int itemIndex = -1;
  // The selected item's text, "" when nothing is selected.
  std::string Text() const;
};
struct TCheckBox : TControl {
  bool checked = false;
};
struct TDateTimePicker : TControl {
  DateTime date;
};

}  // namespace jc::ui
