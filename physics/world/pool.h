// Fixed pools and growable arrays of the physics world. Every block comes from an Allocator; sizes
// are computed in size_t and refused when they would overflow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>

#include "physics/physics.h"

namespace phys {

// capacity x element size (+ extra), or false when it does not fit in a size_t.
inline bool BlockSize(size_t count, size_t elementSize, size_t extra, size_t* out) {
  if (elementSize != 0 && count > (std::numeric_limits<size_t>::max() - extra) / elementSize) return false;
  *out = count * elementSize + extra;
  return true;
}

// Negative capacities count as zero.
inline size_t CapacityOf(int value) { return value > 0 ? static_cast<size_t>(value) : 0; }

// A pool node: the record first, then its links. The links also chain the node into whatever list
// its owner keeps it in while it is in use.
template <class T>
struct PoolNode {
  T rec;
  PoolNode* next = nullptr;
  PoolNode* prev = nullptr;
  uint8_t inUse = 0;
};

// A doubly linked list of pool nodes (head, tail, count).
template <class T>
struct NodeList {
  PoolNode<T>* head = nullptr;
  PoolNode<T>* tail = nullptr;
  int count = 0;

  void Append(PoolNode<T>* n) {
    n->next = nullptr;
    n->prev = tail;
    if (tail) {
      tail->next = n;
    } else {
      head = n;
    }
    tail = n;
    ++count;
  }
  void PushFront(PoolNode<T>* n) {
    n->prev = nullptr;
    n->next = head;
    if (head) {
      head->prev = n;
    } else {
      tail = n;
    }
    head = n;
    ++count;
  }
  void Remove(PoolNode<T>* n) {
    if (n->prev) {
      n->prev->next = n->next;
    } else {
      head = n->next;
    }
    if (n->next) {
      n->next->prev = n->prev;
    } else {
      tail = n->prev;
    }
    n->next = n->prev = nullptr;
    --count;
  }
  bool Contains(const PoolNode<T>* n) const {
    for (const PoolNode<T>* p = head; p; p = p->next) {
      if (p == n) return true;
    }
    return false;
  }
};

// A fixed pool of `capacity` nodes in one block. The free list is a stack: the node given back last
// is taken first.
template <class T>
class Pool {
 public:
  Pool() = default;
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;
  ~Pool() { Release(); }

  bool Init(int capacity, Allocator* allocator) {
    Release();
    allocator_ = allocator;
    const size_t cap = CapacityOf(capacity);
    size_t bytes = 0;
    if (!BlockSize(cap, sizeof(PoolNode<T>), 0, &bytes)) return false;
    if (cap > 0) {
      void* raw = allocator_->Alloc(bytes, 0);
      if (!raw) return false;
      block_ = static_cast<PoolNode<T>*>(raw);
      for (size_t i = 0; i < cap; ++i) new (&block_[i]) PoolNode<T>();
    }
    capacity_ = cap;
    for (size_t i = 0; i < cap; ++i) free_.Append(&block_[i]);
    used_ = 0;
    return true;
  }

  void Release() {
    if (block_) {
      for (size_t i = 0; i < capacity_; ++i) block_[i].~PoolNode<T>();
      allocator_->Free(block_);
    }
    block_ = nullptr;
    capacity_ = 0;
    free_ = NodeList<T>();
    used_ = 0;
  }

  // Pops the free-list head; null when the pool is empty. The record is reset to its defaults.
  PoolNode<T>* Take() {
    PoolNode<T>* n = free_.head;
    if (!n) return nullptr;
    free_.Remove(n);
    n->rec = T();
    n->inUse = 1;
    ++used_;
    return n;
  }
  // Gives an in-use node back (the caller has unlinked it from its own list).
  void Give(PoolNode<T>* n) {
    n->inUse = 0;
    free_.PushFront(n);
    --used_;
  }

  // The node whose record starts at `record`, or null when the address is not a node boundary of
  // this pool's block. Nothing is read through the pointer.
  PoolNode<T>* NodeAt(const void* record) const {
    if (!block_ || !record) return nullptr;
    const uintptr_t base = reinterpret_cast<uintptr_t>(block_);
    const uintptr_t p = reinterpret_cast<uintptr_t>(record);
    if (p < base) return nullptr;
    const uintptr_t offset = p - base;
    if (offset % sizeof(PoolNode<T>) != 0) return nullptr;
    const size_t index = offset / sizeof(PoolNode<T>);
    if (index >= capacity_) return nullptr;
    return &block_[index];
  }
  // The in-use node of `record`, or null.
  PoolNode<T>* UsedNodeAt(const void* record) const {
    PoolNode<T>* n = NodeAt(record);
    return (n && n->inUse) ? n : nullptr;
  }
  int IndexOf(const PoolNode<T>* n) const { return static_cast<int>(n - block_); }
  PoolNode<T>* At(size_t index) const { return &block_[index]; }

  int Capacity() const { return static_cast<int>(capacity_); }
  int UsedCount() const { return used_; }
  int FreeCount() const { return free_.count; }
  size_t BytesTaken() const { return capacity_ * sizeof(PoolNode<T>); }

 private:
  PoolNode<T>* block_ = nullptr;
  size_t capacity_ = 0;
  NodeList<T> free_;
  int used_ = 0;
  Allocator* allocator_ = nullptr;
};

// A growable array of trivially copyable elements. Grow-by -1 doubles (capacity 0 grows to 1), 0
// means the array cannot grow, any positive value adds that many elements; values below -1 count
// as 0.
template <class T>
class GrowArray {
  static_assert(std::is_trivially_copyable_v<T>, "elements are moved by copying their bytes");

 public:
  GrowArray() = default;
  GrowArray(const GrowArray&) = delete;
  GrowArray& operator=(const GrowArray&) = delete;
  ~GrowArray() { Release(); }

  // Takes a block of `capacity` elements; false when the allocator fails.
  bool Init(int capacity, int growBy, Allocator* allocator) {
    Release();
    allocator_ = allocator;
    growBy_ = growBy < -1 ? 0 : growBy;
    return Reserve(CapacityOf(capacity));
  }
  void Release() {
    if (base_) allocator_->Free(base_);
    base_ = nullptr;
    count_ = 0;
    capacity_ = 0;
  }
  // Wraps a caller's array without owning it (Release then only forgets it).
  void Wrap(T* data, int count) {
    Release();
    wrapped_ = data;
    count_ = count > 0 ? static_cast<size_t>(count) : 0;
  }
  void Unwrap() {
    wrapped_ = nullptr;
    count_ = 0;
  }

  bool Push(const T& value) {
    if (count_ == capacity_ && !Grow()) return false;
    base_[count_++] = value;
    return true;
  }
  void Clear() { count_ = 0; }
  void Resize(size_t n) { count_ = n <= capacity_ ? n : capacity_; }
  void Erase(size_t index) {
    if (index >= count_) return;
    for (size_t i = index + 1; i < count_; ++i) base_[i - 1] = base_[i];
    --count_;
  }

  T* Data() { return wrapped_ ? wrapped_ : base_; }
  const T* Data() const { return wrapped_ ? wrapped_ : base_; }
  T& operator[](size_t i) { return Data()[i]; }
  const T& operator[](size_t i) const { return Data()[i]; }
  size_t Count() const { return count_; }
  size_t Capacity() const { return capacity_; }
  int GrowBy() const { return growBy_; }
  size_t BytesTaken() const { return capacity_ * sizeof(T); }

  bool Grow() {
    size_t want = 0;
    if (growBy_ == -1) {
      if (capacity_ > std::numeric_limits<size_t>::max() / 2) return false;
      want = capacity_ == 0 ? 1 : capacity_ * 2;
    } else if (growBy_ > 0) {
      want = capacity_ + static_cast<size_t>(growBy_);
    } else {
      return false;
    }
    return Reserve(want);
  }

 private:
  bool Reserve(size_t want) {
    if (want <= capacity_) return true;
    size_t bytes = 0;
    if (!BlockSize(want, sizeof(T), 0, &bytes)) return false;
    void* raw = allocator_->Alloc(bytes, 0);
    if (!raw) return false;
    T* fresh = static_cast<T*>(raw);
    if (count_ > 0) std::memcpy(static_cast<void*>(fresh), static_cast<const void*>(base_), count_ * sizeof(T));
    if (base_) allocator_->Free(base_);
    base_ = fresh;
    capacity_ = want;
    return true;
  }

  T* base_ = nullptr;
  T* wrapped_ = nullptr;
  size_t count_ = 0;
  size_t capacity_ = 0;
  int growBy_ = 0;
  Allocator* allocator_ = nullptr;
};

}  // namespace phys
