// Intrusive doubly linked list: the links live in the listed objects, so
// linking and unlinking never allocate and an item unlinks in constant time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

// Links of a listable T (T derives from F_dual_list_item<T>). Destruction does
// not unlink: the owner takes an item out of its list before destroying it.
template <class T>
class F_dual_list_item {
public:
    constexpr F_dual_list_item() : next(nullptr), prev(nullptr) {}

    T* get_next() const { return next; }
    T* get_prev() const { return prev; }

private:
    template <class>
    friend class F_dual_list;

    T* next;
    T* prev;
};

// The list head. It never owns its items and an item is in at most one list.
// The operations trust their preconditions (an inserted item is in no list, a
// removed item is in this one); a caller that cannot be sure searches first.
template <class T>
class F_dual_list {
public:
    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T*;
        using difference_type = std::ptrdiff_t;
        using pointer = T**;
        using reference = T*;

        iterator() : current(nullptr) {}
        iterator(T* item) : current(item) {}

        iterator& operator++() {
            current = current->get_next();
            return *this;
        }
        iterator operator++(int) {
            iterator before(*this);
            current = current->get_next();
            return before;
        }
        T* operator*() const { return current; }
        T* operator->() const { return current; }
        bool operator!=(const iterator& other) const { return current != other.current; }
        bool operator==(const iterator& other) const { return current == other.current; }
        bool good() const { return current != nullptr; }
        bool operator!() const { return current == nullptr; }

    private:
        T* current;
    };

    // constexpr: a list with static storage is ready before any constructor runs.
    constexpr F_dual_list() : head(nullptr), tail(nullptr), items(0) {}
    F_dual_list(T* first, unsigned n) { init(first, n); }
    F_dual_list(const F_dual_list&) = delete;
    F_dual_list& operator=(const F_dual_list&) = delete;

    // Chains n (at least 1) consecutive array elements in array order.
    void init(T* first, unsigned n) {
        for (unsigned i = 0; i < n; ++i) {
            link(first[i]).prev = i ? &first[i - 1] : nullptr;
            link(first[i]).next = i + 1 < n ? &first[i + 1] : nullptr;
        }
        head = first;
        tail = first + (n - 1);
        items = n;
    }

    void insert_to_tail(T* item) {
        link(*item).next = nullptr;
        link(*item).prev = tail;
        if (tail)
            link(*tail).next = item;
        else
            head = item;
        tail = item;
        ++items;
    }
    void push_back(T* item) { insert_to_tail(item); }

    void insert_to_head(T* item) {
        link(*item).prev = nullptr;
        link(*item).next = head;
        if (head)
            link(*head).prev = item;
        else
            tail = item;
        head = item;
        ++items;
    }

    void insert_after(T* pos, T* item) {
        T* follower = link(*pos).next;
        link(*item).next = follower;
        link(*item).prev = pos;
        if (follower)
            link(*follower).prev = item;
        else
            tail = item;
        link(*pos).next = item;
        ++items;
    }

    // Unlinks item by its own links; the item keeps its links as they were.
    T* remove(T* item) {
        T* before = link(*item).prev;
        T* after = link(*item).next;
        if (before)
            link(*before).next = after;
        else
            head = after;
        if (after)
            link(*after).prev = before;
        else
            tail = before;
        --items;
        return item;
    }

    T* remove_from_head() { return head ? remove(head) : nullptr; }
    T* remove_from_tail() { return tail ? remove(tail) : nullptr; }

    unsigned count() const { return items; }
    unsigned size() const { return items; }

    // Each list takes the other's items, in their order.
    void merge(F_dual_list& other) {
        std::swap(head, other.head);
        std::swap(tail, other.tail);
        std::swap(items, other.items);
    }

    iterator begin() const { return iterator(head); }
    iterator end() const { return iterator(); }
    iterator last() const { return iterator(tail); }

private:
    static F_dual_list_item<T>& link(T& item) { return item; }

    T* head;
    T* tail;
    std::uint32_t items;
};
