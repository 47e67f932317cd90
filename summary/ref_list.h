#pragma once
// The peptide references of a summary's proteins. All of them live in one
// store, in the order they are added, and each protein lists its own as
// numbers into that store. A big search adds millions of references one at a
// time, spread over its proteins: one array that only grows at its end is
// written front to back in large pages, while an array per protein would be
// written in small pages scattered over memory, each of which costs a page
// fault (on a virtual machine, more than all the other work of adding a
// reference). A protein's list of numbers is a seventh of the size.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "summary/qv_match.h"

/// The references of one summary. Numbers stay valid as the store grows;
/// addresses of references do not.
class qv_ref_store {
 public:
  /// Owner numbers are below this.
  static constexpr uint32_t kKept = 0x80000000u;
  /// The bounds of the room taken at the first add (references): enough for
  /// the summary of a big search at most, so that a small search never
  /// reserves that much address space, and a few pages at least.
  static constexpr size_t kMostAtFirst = size_t{16} << 20;
  static constexpr size_t kLeastAtFirst = size_t{1} << 12;
  /// A store whose first room holds about `firstCapacity` references (kept
  /// within the bounds above); it grows by doubling after that.
  explicit qv_ref_store(size_t firstCapacity = kLeastAtFirst);
  /// The first room for a summary of a results text of `textBytes` bytes:
  /// each reference comes from a protein item of a match line, which takes
  /// eleven bytes as written (`"":0:0:0:0` and a separator), so the text
  /// bounds their number (a damaged file with shorter items, or mixtures
  /// that repeat their components' references, make the store grow).
  static size_t firstCapacityFor(uint64_t textBytes);
  ~qv_ref_store();
  qv_ref_store(const qv_ref_store&) = delete;
  qv_ref_store& operator=(const qv_ref_store&) = delete;

  /// Adds a reference of list `owner` (taken by value: it may lie in this
  /// store) and returns its number; throws std::bad_alloc when no memory is left.
  uint32_t add(qv_peptide_ref ref, uint32_t owner) {
    if (size_ == capacity_) grow();
    data_[size_] = ref;
    owners_[size_] = owner;
    if (owner >= counts_.size()) counts_.resize(owner + 1, 0);
    ++counts_[owner];
    return static_cast<uint32_t>(size_++);
  }
  /// Number of references added under `owner`.
  size_t countOf(uint32_t owner) const { return owner < counts_.size() ? counts_[owner] : 0; }
  qv_peptide_ref& operator[](uint32_t i) { return data_[i]; }
  const qv_peptide_ref& operator[](uint32_t i) const { return data_[i]; }
  /// The owner named when reference i was added.
  uint32_t ownerOf(uint32_t i) const { return owners_[i] & ~kKept; }
  /// A mark on reference i (kept by the scoring of its protein).
  void setKept(uint32_t i) { owners_[i] |= kKept; }
  bool kept(uint32_t i) const { return (owners_[i] & kKept) != 0; }
  size_t size() const { return size_; }

 private:
  void grow();

  qv_peptide_ref* data_ = nullptr;
  uint32_t* owners_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
  size_t firstCapacity_;    // the room taken at the first add
  size_t bytes_ = 0;        // mapped for data_
  size_t ownerBytes_ = 0;   // mapped for owners_
  std::vector<uint32_t> counts_;  // per owner
};

/// A protein's references: the part of std::vector the summaries use, over
/// numbers into the summary's store. The numbers live in heap memory of the
/// list's own, or in a part of a larger block that the summary hands out
/// (place()) when it knows how many each list will hold.
class qv_ref_list {
 public:
  /// A list whose references are added to `store` under owner number `owner`.
  qv_ref_list(qv_ref_store& store, uint32_t owner) : store_(&store), owner_(owner) {}
  ~qv_ref_list() { release(); }
  qv_ref_list(const qv_ref_list&) = delete;
  qv_ref_list& operator=(const qv_ref_list&) = delete;

  template <typename Ref, typename Store>
  class Iterator {
   public:
    Iterator(Store* store, const uint32_t* at) : store_(store), at_(at) {}
    Ref& operator*() const { return (*store_)[*at_]; }
    Ref* operator->() const { return &(*store_)[*at_]; }
    Iterator& operator++() {
      ++at_;
      return *this;
    }
    bool operator!=(const Iterator& o) const { return at_ != o.at_; }
    bool operator==(const Iterator& o) const { return at_ == o.at_; }

   private:
    Store* store_;
    const uint32_t* at_;
  };
  using iterator = Iterator<qv_peptide_ref, qv_ref_store>;
  using const_iterator = Iterator<const qv_peptide_ref, const qv_ref_store>;

  uint32_t owner() const { return owner_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  qv_peptide_ref& operator[](size_t i) { return (*store_)[items_[i]]; }
  const qv_peptide_ref& operator[](size_t i) const { return (*store_)[items_[i]]; }
  const qv_peptide_ref& front() const { return (*store_)[items_[0]]; }
  iterator begin() { return iterator(store_, items_); }
  iterator end() { return iterator(store_, items_ + size_); }
  const_iterator begin() const { return const_iterator(store_, items_); }
  const_iterator end() const { return const_iterator(store_, items_ + size_); }

  /// The store's number of reference i.
  uint32_t number(size_t i) const { return items_[i]; }
  /// Asks the processor to fetch reference i (if there is one): a walk over
  /// a long list reads references scattered over the store.
  void prefetch(size_t i) const {
    if (i < size_) __builtin_prefetch(&(*store_)[items_[i]]);
  }
  /// Adds a reference to the store and to this list; throws std::bad_alloc
  /// when no memory is left.
  void push_back(const qv_peptide_ref& ref) { append(store_->add(ref, owner_)); }
  /// Makes reference k (k no more than i) the one that was at i.
  void moveTo(size_t k, size_t i) {
    items_[k] = items_[i];
    pristine_ = pristine_ && k == i;
  }
  /// Keeps the first n references (n no more than size()).
  void truncate(size_t n) {
    pristine_ = pristine_ && n >= size_;
    if (n < size_) size_ = n;
  }
  /// True while references have only been added (through push_back, or to
  /// the store alone): the list then is, or can be made again from, the
  /// references of its owner in the store's order.
  bool pristine() const { return pristine_; }
  /// Starts the list again, empty, in `room` (which holds `capacity`
  /// numbers and outlives the list), for a walk over the store that adds
  /// back the references it keeps, in order.
  void place(uint32_t* room, size_t capacity);
  /// Adds reference number `reference` of the store.
  void append(uint32_t reference) {
    if (size_ == capacity_) grow();
    items_[size_++] = reference;
  }
  /// Whether the references are in the order of `before`, and a stable sort into it.
  template <typename Before>
  bool isSortedBy(Before before) const {
    return std::is_sorted(items_, items_ + size_,
                          [&](uint32_t a, uint32_t b) { return before((*store_)[a], (*store_)[b]); });
  }
  template <typename Before>
  void stableSortBy(Before before) {
    pristine_ = false;
    std::stable_sort(items_, items_ + size_,
                     [&](uint32_t a, uint32_t b) { return before((*store_)[a], (*store_)[b]); });
  }

 private:
  void grow();
  void release();

  qv_ref_store* store_;
  uint32_t owner_;
  bool pristine_ = true;
  bool placed_ = false;  // items_ lies in room handed out by the summary
  uint32_t* items_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};
