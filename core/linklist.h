#pragma once
// Intrusive doubly linked lists. An element type T derives from
// LinklistBase<T>; a list is reached through a head object of the element
// type itself. Deleting a linked node deletes the whole chain in both
// directions; Linklist<CStr>::DeleteNodes removes elements without that.
#include <cstdint>

#include "core/cstr.h"

template <class T>
class LinklistBase {
 public:
  T* prev = nullptr;
  T* next = nullptr;

  LinklistBase() = default;
  // A copy of an element is not a member of the original's chain: it
  // starts unlinked, and assigning an element keeps the target's links.
  LinklistBase(const LinklistBase&) {}
  LinklistBase& operator=(const LinklistBase&) { return *this; }

  // Walks from start along next to the last node and links node behind
  // it (node's next null); returns node. A null node links nothing.
  static T* Append(T* start, T* node) {
    if (!node) return nullptr;
    if (!start) return node;
    T* last = start;
    while (last->LinklistBase<T>::next) last = last->LinklistBase<T>::next;
    last->LinklistBase<T>::next = node;
    node->LinklistBase<T>::prev = last;
    node->LinklistBase<T>::next = nullptr;
    return node;
  }

  // Links node directly after head (before the former first node);
  // returns node. A null node links nothing.
  static T* InsertFirst(T* head, T* node) {
    if (!node) return nullptr;
    if (!head) return node;
    T* first = head->LinklistBase<T>::next;
    node->LinklistBase<T>::prev = head;
    node->LinklistBase<T>::next = first;
    if (first) first->LinklistBase<T>::prev = node;
    head->LinklistBase<T>::next = node;
    return node;
  }

  // Joins the neighbours to each other and clears this node's links.
  void Unlink() {
    T* p = prev;
    T* n = next;
    if (p) p->LinklistBase<T>::next = n;
    if (n) n->LinklistBase<T>::prev = p;
    prev = nullptr;
    next = nullptr;
  }

  // Deletes every node linked to this one, first the next side, then the
  // prev side, one at a time (no recursion); this node stays, unlinked.
  void DeleteAll() {
    while (T* n = next) {
      n->LinklistBase<T>::Unlink();
      delete n;
    }
    while (T* p = prev) {
      p->LinklistBase<T>::Unlink();
      delete p;
    }
  }

  // Clears the back-link of each neighbour and deletes it (first the next
  // side, then the prev side), so the whole chain goes. The chain is taken
  // apart node by node rather than by recursion, so long chains are safe.
  virtual ~LinklistBase() {
    T* n = next;
    next = nullptr;
    if (n) n->LinklistBase<T>::prev = nullptr;
    while (n) {
      T* after = n->LinklistBase<T>::next;
      n->LinklistBase<T>::next = nullptr;
      if (after) after->LinklistBase<T>::prev = nullptr;
      delete n;
      n = after;
    }
    T* p = prev;
    prev = nullptr;
    if (p) p->LinklistBase<T>::next = nullptr;
    while (p) {
      T* before = p->LinklistBase<T>::prev;
      p->LinklistBase<T>::prev = nullptr;
      if (before) before->LinklistBase<T>::next = nullptr;
      delete p;
      p = before;
    }
  }
};

template <class T>
class Linklist;

// A list of owned file names. The object users hold is the head (item null)
// with the count of names; Append creates bare nodes behind it.
template <>
class Linklist<CStr> : public LinklistBase<Linklist<CStr>> {
 public:
  CStr* item = nullptr;
  int32_t count = 0;

  Linklist();
  // Fills from the pattern, not recursively, without prefix.
  explicit Linklist(const char* pattern);
  // Deletes the item, then the chain (base destructor).
  ~Linklist() override;
  Linklist(const Linklist&) = delete;
  Linklist& operator=(const Linklist&) = delete;

  // Links a node owning item behind the last node and returns it; null
  // (and item deleted) when no node can be allocated. count is the
  // caller's to raise.
  Linklist* Append(CStr* item);
  // Text of the n-th name (0 = first after the head); null when out of
  // range; "" for an item without a buffer.
  const char* Get(int n) const;
  // Unlinks and deletes every node but the head.
  void DeleteNodes();
  // count = 0 and DeleteNodes; true.
  bool Reset();
  // Reset, then deletes the head's own item; for the end of the list's life.
  void Clear();
  // count = 0, DeleteNodes, FillFromDirectory.
  int Refill(const char* pattern, bool recursive, const char* prefix);
  // Appends prefix + name for every folder entry matching pattern ("." and
  // ".." left out); with recursive, the names in subfolders (carrying their
  // folder prefix) come first. Returns how many were appended.
  int FillFromDirectory(const char* pattern, bool recursive, const char* prefix);

 private:
  struct NodeTag {};
  explicit Linklist(NodeTag, CStr* owned) : item(owned) {}
};
