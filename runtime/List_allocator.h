// Fixed pool of N blocks for objects of class T, with O(1) allocation and
// release. The block handed out is the one released last, and a block never
// handed out is taken only when none is free: a block never handed out is never
// touched, so the pages in memory are those of the most blocks ever in use at
// once, however many allocations came and went.
#pragma once

#include "runtime/F_dual_list.h"

#include <cstddef>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define HALVOX_POOL_POISON(addr, size) ASAN_POISON_MEMORY_REGION(addr, size)
#define HALVOX_POOL_UNPOISON(addr, size) ASAN_UNPOISON_MEMORY_REGION(addr, size)
#else
#define HALVOX_POOL_POISON(addr, size) ((void)(addr), (void)(size))
#define HALVOX_POOL_UNPOISON(addr, size) ((void)(addr), (void)(size))
#endif

// The lock of a pool used by one thread only.
struct Dummy_critical_section {
    void lock() {}
    void unlock() {}
};

// All state is constant-initialised static storage with a trivial
// destructor, so the pool works from any static constructor or destructor,
// whatever the order of translation units.
template <class T, unsigned N, class Critical_section>
class List_allocator {
public:
    // The block for one T, or null when every block is in use.
    static T* allocate() {
        crit_section.lock();
        List_storage* block = free_list.remove_from_head();
        if (!block && fresh < N) {
            // Never-used blocks are taken in address order.
            block = ::new (storage + fresh * sizeof(List_storage)) List_storage;
            ++fresh;
        }
        crit_section.unlock();
        if (!block) return nullptr;
        HALVOX_POOL_UNPOISON(block->object, sizeof(T));
        return reinterpret_cast<T*>(block->object);
    }

    // Takes back a block that allocate() handed out (its T already destroyed).
    static void deallocate(T* p) {
        if (!p) return;
        auto* bytes = reinterpret_cast<unsigned char*>(p);
        std::size_t index = std::size_t(bytes - storage) / sizeof(List_storage);
        auto* block = std::launder(
            reinterpret_cast<List_storage*>(storage + index * sizeof(List_storage)));
        // The sanitizer build catches any use of a released block.
        HALVOX_POOL_POISON(block->object, sizeof(T));
        crit_section.lock();
        free_list.insert_to_head(block);
        crit_section.unlock();
    }

    // Blocks that allocate() can still hand out.
    static unsigned free_count() { return (N - fresh) + free_list.count(); }

private:
    struct List_storage : F_dual_list_item<List_storage> {
        alignas(T) unsigned char object[sizeof(T)];
    };

    alignas(List_storage) inline static unsigned char storage[N * sizeof(List_storage)];
    inline static F_dual_list<List_storage> free_list;
    inline static unsigned fresh = 0;  // blocks [fresh, N) were never handed out
    inline static Critical_section crit_section;
};
