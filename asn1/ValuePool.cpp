#include "asn1/ValuePool.h"

namespace ASN1 {
namespace ValuePool {
namespace detail {

FreeBlock* freeLists[largestPooled / granule];

namespace {

// A list that runs dry takes one slab from the heap and cuts it into blocks.
constexpr std::size_t slabSize = 8192;

}  // namespace

void* allocateFresh(std::size_t size) {
    std::size_t list = listOf(size);
    std::size_t blockSize = (list + 1) * granule;
    std::size_t count = slabSize / blockSize;
    char* slab = static_cast<char*>(::operator new(count * blockSize));
    FreeBlock* next = nullptr;
    for (std::size_t i = count; i-- > 1;) next = ::new (slab + i * blockSize) FreeBlock{next};
    freeLists[list] = next;
    return slab;
}

}  // namespace detail
}  // namespace ValuePool
}  // namespace ASN1
