// Intrusive reference-counted handle of packets and protocol statuses: the
// count lives in the pointed-to object, so a handle is one pointer.
#pragma once

#include <cstdint>
#include <type_traits>

// Ends the process: a null handle was dereferenced.
[[noreturn]] void SmartPtrAssertion();
// The same end, in its own words, for a misused shared handle.
[[noreturn]] void SharedPtrAssertion();

// T holds `std::uint32_t ref_count`, 0 when made, and befriends
// Smart_pointer<T>. The last handle deletes the object.
//
// Copyable objects are copied on write: modifying access through a handle
// that shares its object first gives the handle a private copy. Objects that
// cannot be copied (protocol statuses) are never modified and stay shared.
template <class T>
class Smart_pointer {
public:
    constexpr Smart_pointer() : ptr(nullptr) {}
    Smart_pointer(T* p) : ptr(p) { take(); }
    Smart_pointer(const Smart_pointer& other) : ptr(other.ptr) { take(); }
    ~Smart_pointer() { remove_current(); }

    Smart_pointer& operator=(const Smart_pointer& other) {
        reset(other.ptr);
        return *this;
    }
    Smart_pointer& operator=(T* p) {
        reset(p);
        return *this;
    }

    // Drops this handle's reference; the handle is null afterwards, whether
    // or not other handles keep the object alive.
    void remove_current() {
        T* old = ptr;
        ptr = nullptr;
        release(old);
    }
    void clean() { remove_current(); }

    const T* operator->() const {
        if (!ptr) SmartPtrAssertion();
        return ptr;
    }
    T* operator->() {
        if (!ptr) SmartPtrAssertion();
        prepare_for_modify();
        return ptr;
    }

    // Unshares: a shared copyable object is copied and this handle moves to
    // the copy. The copy is made before the shared reference is dropped, so
    // a failed allocation leaves the handle as it was.
    void prepare_for_modify() {
        if constexpr (std::is_copy_constructible_v<T>) {
            if (ptr && ptr->ref_count > 1) {
                T* copy = new T(*ptr);
                copy->ref_count = 1;
                --ptr->ref_count;
                ptr = copy;
            }
        }
    }

    bool null() const { return ptr == nullptr; }
    bool operator!() const { return ptr == nullptr; }
    explicit operator bool() const { return ptr != nullptr; }

protected:
    T* ptr;

private:
    void take() {
        if (ptr) ++ptr->ref_count;
    }
    // Takes the new reference before dropping the old one, so assigning a
    // handle of the same object never frees it.
    void reset(T* p) {
        if (p == ptr) return;
        T* old = ptr;
        ptr = p;
        take();
        release(old);
    }
    static void release(T* old) {
        if (old && old->ref_count > 0 && --old->ref_count == 0) dispose(old);
    }
    // Out of line: inlined, the delete makes g++ 12 take a later use of
    // another handle's (still counted) object for a use after free.
    [[gnu::noinline]] static void dispose(T* old) { delete old; }
};
