// Storage for ASN.1 values and their small parts. A decoded message is dozens of small
// objects made together and dropped together; taking them from free lists by size, rather
// than from the heap one by one, makes a message cost a few list operations instead of a
// hundred heap calls. The lists keep what they were given back, so the pool holds at most
// what was ever in use at once. Values belong to the process's one thread.
#pragma once

#include "runtime/List_allocator.h"  // the sanitizer's poisoning of pooled blocks

#include <cstddef>
#include <new>

namespace ASN1 {
namespace ValuePool {

// Blocks up to this size come from the lists; larger ones straight from the heap.
constexpr std::size_t largestPooled = 256;

// A block of at least `size` octets, aligned for any value; throws std::bad_alloc. The
// block given back last for the size is handed out first.
inline void* allocate(std::size_t size);
// Takes back a block that allocate(size) handed out, with the same size.
inline void deallocate(void* block, std::size_t size) noexcept;

// What the two above inline: one list per 16 octets of size.
namespace detail {

constexpr std::size_t granule = 16;

// The free blocks of one size, as a stack of pointers kept apart from the blocks (so the
// sanitizer build can poison a whole free block). It has room for every block ever made
// of its size, so giving a block back never needs memory.
struct FreeBlocks {
    void** blocks;
    std::size_t count;
    std::size_t room;
};

// Constant-initialised: the pool works in static constructors and destructors too.
extern FreeBlocks freeBlocks[largestPooled / granule];

inline std::size_t listOf(std::size_t size) { return size == 0 ? 0 : (size - 1) / granule; }
// The size of the blocks of a list.
inline std::size_t blockSizeOf(std::size_t size) { return (listOf(size) + 1) * granule; }

// Makes new blocks of the size for an empty list and hands out one of them.
void* allocateFresh(std::size_t size);

}  // namespace detail

inline void* allocate(std::size_t size) {
    if (size > largestPooled) return ::operator new(size);
    detail::FreeBlocks& free = detail::freeBlocks[detail::listOf(size)];
    if (free.count == 0) return detail::allocateFresh(size);
    void* block = free.blocks[--free.count];
    free.blocks[free.count] = nullptr;  // a value never given back is a leak to the sanitizer
    HALVOX_POOL_UNPOISON(block, detail::blockSizeOf(size));
    return block;
}

inline void deallocate(void* block, std::size_t size) noexcept {
    if (!block) return;
    if (size > largestPooled) return ::operator delete(block);
    detail::FreeBlocks& free = detail::freeBlocks[detail::listOf(size)];
    free.blocks[free.count++] = block;
    // The sanitizer build catches any use of a value given back.
    HALVOX_POOL_POISON(block, detail::blockSizeOf(size));
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
