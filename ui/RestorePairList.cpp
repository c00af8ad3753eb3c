#include "ui/RestorePairList.h"

namespace jc::ui {

// A pair is a row of seven cells: the Grid_Sub row number, then the texts in
// the order of RestorePair's fields.
RestorePairList::RestorePairList(std::initializer_list<RestorePair> pairs) { *this = pairs; }

RestorePairList& RestorePairList::operator=(std::initializer_list<RestorePair> pairs) {
  clear();
  for (const RestorePair& pair : pairs) push_back(pair);
  return *this;
}

void RestorePairList::push_back(const RestorePair& pair) {
  const std::size_t index = rows_.Size();
  rows_.Resize(index + 1);
  rows_.SetCell(index, 0, std::to_string(pair.row));
  rows_.SetCell(index, 1, pair.preserial);
  rows_.SetCell(index, 2, pair.cuscode);
  rows_.SetCell(index, 3, pair.plain);
  rows_.SetCell(index, 4, pair.value);
  rows_.SetCell(index, 5, pair.recordNumber);
  rows_.SetCell(index, 6, pair.recordValue);
}

RestorePair RestorePairList::operator[](std::size_t index) const {
  RestorePair pair;
  pair.row = std::stoi(rows_.Cell(index, 0));
  pair.preserial = rows_.Cell(index, 1);
  pair.cuscode = rows_.Cell(index, 2);
  pair.plain = rows_.Cell(index, 3);
  pair.value = rows_.Cell(index, 4);
  pair.recordNumber = rows_.Cell(index, 5);
  pair.recordValue = rows_.Cell(index, 6);
  return pair;
}

}  // namespace jc::ui
