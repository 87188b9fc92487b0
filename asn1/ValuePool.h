// Storage for ASN.1 values and their small parts. A decoded message is dozens of small
// objects made together and dropped together; taking them from free lists by size, rather
// than from the heap one by one, makes a message cost a few list operations instead of a
// hundred heap calls. The lists keep what they were given back, so the pool holds at most
// what was ever in use at once. Values belong to the process's one thread.
#pragma once

#include <cstddef>
#include <new>

namespace ASN1 {
namespace ValuePool {

// Blocks up to this size come from the lists; larger ones straight from the heap.
constexpr std::size_t largestPooled = 256;

// A block of at least `size` octets, aligned for any value; throws std::bad_alloc.
inline void* allocate(std::size_t size);
// Takes back a block that allocate(size) handed out, with the same size.
inline void deallocate(void* block, std::size_t size) noexcept;

// What the two above inline: one list per 16 octets of size. Under AddressSanitizer every
// block comes from the heap instead, so that the sanitizer still sees each value on its
// own and catches a use after release, or a value never released, at once.
namespace detail {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool heapOnly = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool heapOnly = true;
#else
constexpr bool heapOnly = false;
#endif
#else
constexpr bool heapOnly = false;
#endif

constexpr std::size_t granule = 16;

struct FreeBlock {
    FreeBlock* next;
};

// Constant-initialised: the pool works in static constructors and destructors too.
extern FreeBlock* freeLists[largestPooled / granule];

inline std::size_t listOf(std::size_t size) { return size == 0 ? 0 : (size - 1) / granule; }

// Refills an empty list from the heap and takes its first block.
void* allocateFresh(std::size_t size);

}  // namespace detail

inline void* allocate(std::size_t size) {
    if (detail::heapOnly || size > largestPooled) return ::operator new(size);
    detail::FreeBlock*& head = detail::freeLists[detail::listOf(size)];
    detail::FreeBlock* block = head;
    if (!block) return detail::allocateFresh(size);
    head = block->next;
    return block;
}

inline void deallocate(void* block, std::size_t size) noexcept {
    if (!block) return;
    if (detail::heapOnly || size > largestPooled) return ::operator delete(block);
    detail::FreeBlock*& head = detail::freeLists[detail::listOf(size)];
    head = ::new (block) detail::FreeBlock{head};
}

}  // namespace ValuePool

// The pool as the allocator of a standard container.
template <class T>
struct PoolAllocator {
    typedef T value_type;

    PoolAllocator() = default;
    template <class U>
    PoolAllocator(const PoolAllocator<U>&) {}

    T* allocate(std::size_t n) {
        if (n > std::size_t(-1) / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(ValuePool::allocate(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { ValuePool::deallocate(p, n * sizeof(T)); }

    template <class U>
    bool operator==(const PoolAllocator<U>&) const {
        return true;
    }
    template <class U>
    bool operator!=(const PoolAllocator<U>&) const {
        return false;
    }
};

}  // namespace ASN1
