// An intrusive circular doubly linked list: one object is both the list head
// and the node an owner embeds, so a receiver joins its service's list on
// construction and leaves it on destruction without any allocation.
#pragma once

#include <cstddef>

namespace Containers {

class CyclicList {
public:
    class TIterator {
    public:
        explicit TIterator(CyclicList* node) : node(node) {}
        TIterator& operator++() {
            node = node->next;
            return *this;
        }
        CyclicList* operator*() const { return node; }
        bool operator==(const TIterator& other) const { return node == other.node; }
        bool operator!=(const TIterator& other) const { return node != other.node; }

    private:
        CyclicList* node;
    };

    // An empty list, or a node linked nowhere.
    CyclicList() { InternalInit(); }
    // Leaves whatever list the node is in; its own pointers are not reset.
    ~CyclicList() { InternalDel(prev, next); }
    CyclicList(const CyclicList&) = delete;
    CyclicList& operator=(const CyclicList&) = delete;

    // Called on the head: moves node from wherever it is to the end, so the
    // list keeps the order of insertion.
    void AddToTail(CyclicList* node) {
        InternalDel(node->prev, node->next);
        InternalAddToTail(node);
    }

    TIterator begin() { return TIterator(next); }
    TIterator end() { return TIterator(this); }

private:
    void InternalInit() { next = prev = this; }
    static void InternalDel(CyclicList* before, CyclicList* after) {
        before->next = after;
        after->prev = before;
    }
    static void InternalAdd(CyclicList* node, CyclicList* before, CyclicList* after) {
        after->prev = node;
        node->next = after;
        node->prev = before;
        before->next = node;
    }
    void InternalAddToTail(CyclicList* node) { InternalAdd(node, prev, this); }

    CyclicList* next;
    CyclicList* prev;
};

// The object that embeds node as its member. The owners are polymorphic,
// which offsetof does not cover, so the member's position is measured on raw
// storage of one T (never constructed, never read).
template <class T>
#if defined(__clang__) || defined(__GNUC__)
__attribute__((no_sanitize("vptr")))
#endif
T* offset(CyclicList* node, CyclicList T::*member) {
    alignas(T) unsigned char storage[sizeof(T)];
    T* probe = reinterpret_cast<T*>(storage);
    std::ptrdiff_t position = reinterpret_cast<unsigned char*>(&(probe->*member)) - storage;
    return reinterpret_cast<T*>(reinterpret_cast<unsigned char*>(node) - position);
}

}  // namespace Containers
