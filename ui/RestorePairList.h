#pragma once
// The pairs a dispensing audit leaves for the restore: one per listed record,
// as many as the audit listed, so they are kept the way the grids keep their
// rows (ui/GridRows.h): a few megabytes of memory, the rest in an encrypted
// temporary file. They read back as values.
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <string>

#include "ui/GridRows.h"

namespace jc::ui {

// One row of Grid_Sub as the last dispensing audit that listed rows left it:
// the dispensing record and the customer value the restore may copy into it.
struct RestorePair {
  int row = 0;            // the Grid_Sub row it was written to
  std::string preserial;  // the dispensing record number, trimmed
  std::string cuscode;    // the customer code, as listed
  std::string plain;      // the decryption of the customer value at audit time
  std::string value;      // the customer's stored value, as read
  // What the audit read from the dispensing record itself: the restore
  // writes only while the record still holds both.
  std::string recordNumber;  // PANUM, as read (masked)
  std::string recordValue;   // TEMPNUM, as read
};

class RestorePairList {
 public:
  RestorePairList() = default;
  RestorePairList(std::initializer_list<RestorePair> pairs);
  RestorePairList& operator=(std::initializer_list<RestorePair> pairs);

  std::size_t size() const { return rows_.Size(); }
  bool empty() const { return rows_.Size() == 0; }
  void clear() { rows_.Resize(0); }
  void push_back(const RestorePair& pair);
  RestorePair operator[](std::size_t index) const;

  // Front to back, each pair read back as a value.
  class const_iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = RestorePair;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = RestorePair;
    const_iterator(const RestorePairList* pairs, std::size_t index) : pairs_(pairs), index_(index) {}
    RestorePair operator*() const { return (*pairs_)[index_]; }
    const_iterator& operator++() {
      ++index_;
      return *this;
    }
    bool operator==(const const_iterator& other) const { return index_ == other.index_; }
    bool operator!=(const const_iterator& other) const { return index_ != other.index_; }

   private:
    const RestorePairList* pairs_;
    std::size_t index_;
  };
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

 private:
  GridRows rows_;
};

}  // namespace jc::ui
