#include "asn1/ValuePool.h"

#include <algorithm>

namespace ASN1 {
namespace ValuePool {
namespace detail {

FreeBlocks freeBlocks[largestPooled / granule];

namespace {

// A list that runs dry takes a slab of blocks from the heap. Under AddressSanitizer a
// slab is one block, so that the sanitizer still sees each value apart and reports one
// that is never given back.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t slabSize = 0;
#else
constexpr std::size_t slabSize = 8192;
#endif

}  // namespace

void* allocateFresh(std::size_t size) {
    FreeBlocks& free = freeBlocks[listOf(size)];
    std::size_t blockSize = blockSizeOf(size);
    std::size_t count = std::max<std::size_t>(slabSize / blockSize, 1);
    // Room first: every block made must fit on the stack when it comes back.
    void** blocks = static_cast<void**>(::operator new((free.room + count) * sizeof(void*)));
    char* slab;
    try {
        slab = static_cast<char*>(::operator new(count * blockSize));
    } catch (...) {
        ::operator delete(blocks);
        throw;
    }
    std::copy(free.blocks, free.blocks + free.count, blocks);
    ::operator delete(free.blocks);
    free.blocks = blocks;
    free.room += count;
    for (std::size_t i = count; i-- > 1;) deallocate(slab + i * blockSize, blockSize);
    return slab;
}

}  // namespace detail
}  // namespace ValuePool
}  // namespace ASN1
