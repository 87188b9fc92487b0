#include "runtime/F_dual_list.h"
#include "runtime/F_sorted_list.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Item : F_dual_list_item<Item> {
    explicit Item(int k = 0) : key(k) {}
    int compare(const Item* other) const { return key - other->key; }
    int key;
};

// The items front to back, after checking that the links agree both ways
// and with the count.
template <class List>
std::vector<Item*> Contents(const List& list) {
    std::vector<Item*> forward, backward;
    for (auto it = list.begin(); it.good(); ++it) forward.push_back(*it);
    for (auto it = list.last(); it.good(); it = typename List::iterator((*it)->get_prev()))
        backward.insert(backward.begin(), *it);
    EXPECT_EQ(list.count(), forward.size());
    EXPECT_EQ(forward, backward);
    if (!forward.empty()) {
        EXPECT_EQ(nullptr, forward.front()->get_prev());
        EXPECT_EQ(nullptr, forward.back()->get_next());
    }
    return forward;
}

using Items = std::vector<Item*>;

}  // namespace

TEST(DualList, InsertRemoveReinsertAndMerge) {
    Item a(1), b(2), c(3), d(4), x(9);
    F_dual_list<Item> list, other;
    EXPECT_EQ(nullptr, list.remove_from_head());
    EXPECT_EQ(nullptr, list.remove_from_tail());
    list.push_back(&b);
    list.insert_to_head(&a);
    list.insert_to_tail(&d);
    list.insert_after(&b, &c);
    EXPECT_EQ((Items{&a, &b, &c, &d}), Contents(list));

    // A removed item keeps stale links; it must reinsert cleanly elsewhere.
    other.push_back(&x);
    EXPECT_EQ(&c, list.remove(&c));
    other.insert_to_head(&c);
    EXPECT_EQ(&a, list.remove_from_head());
    other.push_back(&a);
    EXPECT_EQ(&d, list.remove_from_tail());
    EXPECT_EQ((Items{&b}), Contents(list));
    EXPECT_EQ((Items{&c, &x, &a}), Contents(other));

    list.remove(&b);
    EXPECT_EQ(Items{}, Contents(list));
    list.merge(other);
    EXPECT_EQ((Items{&c, &x, &a}), Contents(list));
    EXPECT_EQ(Items{}, Contents(other));

    Item block[5];
    F_dual_list<Item> chained(block, 5);
    EXPECT_EQ((Items{&block[0], &block[1], &block[2], &block[3], &block[4]}), Contents(chained));
    EXPECT_FALSE(std::find(chained.begin(), chained.end(), &a).good());
}

TEST(SortedList, OrderedInsertIsStableAndSortsFromTheTail) {
    Item e1(5), e2(5), e3(5), low(1), high(9), mid(5);
    F_sorted_list<Item> list;
    for (Item* i : {&e1, &high, &e2, &low, &e3, &mid}) list.insert_to_tail_by_grown(i);
    EXPECT_EQ((Items{&low, &e1, &e2, &e3, &mid, &high}), Contents(list));
}
