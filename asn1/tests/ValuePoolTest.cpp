// The value pool: blocks come back by size, last given back first, and a value given back
// cannot be used unnoticed.
#include "asn1/INTEGER.h"
#include "asn1/ValuePool.h"

#include <gtest/gtest.h>

using namespace ASN1;

TEST(ValuePool, TheBlockGivenBackLastComesBackFirstAndOnlyForItsSize) {
    void* a = ValuePool::allocate(24);
    void* b = ValuePool::allocate(24);
    ASSERT_NE(a, b);
    ValuePool::deallocate(a, 24);
    ValuePool::deallocate(b, 24);
    void* larger = ValuePool::allocate(40);
    EXPECT_NE(a, larger);
    EXPECT_NE(b, larger);
    EXPECT_EQ(b, ValuePool::allocate(17));  // 17 and 24 octets share one size of block
    EXPECT_EQ(a, ValuePool::allocate(32));
    for (void* block : {a, b}) ValuePool::deallocate(block, 24);
    ValuePool::deallocate(larger, 40);
    void* big = ValuePool::allocate(ValuePool::largestPooled + 1);
    ValuePool::deallocate(big, ValuePool::largestPooled + 1);
}

#if defined(__SANITIZE_ADDRESS__)
TEST(ValuePoolDeathTest, UsingAValueGivenBackIsCaught) {
    EXPECT_DEATH(
        {
            INTEGER* value = new INTEGER(5);
            delete value;
            volatile int number = value->getValue();
            (void)number;
        },
        "use-after-poison");
}
#endif
