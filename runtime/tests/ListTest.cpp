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

template <class List>
std::vector<Item*> Contents(const List& list) {
    std::vector<Item*> out;
    for (auto it = list.begin(); it.good(); ++it) out.push_back(*it);
    return out;
}

// Walks the list both ways and checks the links agree with the count.
template <class List>
void ExpectConsistent(const List& list) {
    std::vector<Item*> forward = Contents(list);
    ASSERT_EQ(list.count(), forward.size());
    std::vector<Item*> backward;
    for (auto it = list.last(); it.good(); it = typename List::iterator((*it)->get_prev()))
        backward.push_back(*it);
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(forward, backward);
    if (!forward.empty()) {
        EXPECT_EQ(nullptr, forward.front()->get_prev());
        EXPECT_EQ(nullptr, forward.back()->get_next());
    }
}

}  // namespace

TEST(DualList, InsertRemoveKeepsLinksConsistent) {
    Item a(1), b(2), c(3), d(4);
    F_dual_list<Item> list;
    EXPECT_EQ(nullptr, list.remove_from_head());
    EXPECT_EQ(nullptr, list.remove_from_tail());
    EXPECT_EQ(0u, list.count());

    list.push_back(&b);
    list.insert_to_head(&a);
    list.insert_to_tail(&d);
    list.insert_after(&b, &c);
    EXPECT_EQ((std::vector<Item*>{&a, &b, &c, &d}), Contents(list));
    ExpectConsistent(list);

    EXPECT_EQ(&c, list.remove(&c));
    EXPECT_EQ(&a, list.remove_from_head());
    EXPECT_EQ(&d, list.remove_from_tail());
    EXPECT_EQ((std::vector<Item*>{&b}), Contents(list));
    ExpectConsistent(list);

    list.remove(&b);
    EXPECT_EQ(0u, list.size());
    EXPECT_FALSE(list.begin().good());
    EXPECT_TRUE(!list.last());
}

TEST(DualList, RemovedItemReinsertsCleanlyIntoAnotherList) {
    Item a(1), b(2), c(3), x(9);
    F_dual_list<Item> first, second;
    first.push_back(&a);
    first.push_back(&b);
    first.push_back(&c);
    second.push_back(&x);
    first.remove(&b);  // b keeps its stale links to a and c
    second.push_back(&b);
    EXPECT_EQ(nullptr, b.get_next());
    EXPECT_EQ(&x, b.get_prev());
    EXPECT_EQ((std::vector<Item*>{&a, &c}), Contents(first));
    EXPECT_EQ((std::vector<Item*>{&x, &b}), Contents(second));
    ExpectConsistent(first);
    ExpectConsistent(second);
}

TEST(DualList, MergeSwapsWholeLists) {
    Item a(1), b(2), c(3);
    F_dual_list<Item> empty, full;
    full.push_back(&a);
    full.push_back(&b);
    full.push_back(&c);
    empty.merge(full);
    EXPECT_EQ((std::vector<Item*>{&a, &b, &c}), Contents(empty));
    EXPECT_EQ(0u, full.count());
    EXPECT_FALSE(full.begin().good());
}

TEST(DualList, ArrayConstructorChainsInOrderAndWorksWithFind) {
    Item block[5];
    F_dual_list<Item> list(block, 5);
    ExpectConsistent(list);
    EXPECT_EQ(&block[0], *list.begin());
    EXPECT_EQ(&block[4], *list.last());
    EXPECT_EQ(&block[3], *std::find(list.begin(), list.end(), &block[3]));
    Item stranger;
    EXPECT_FALSE(std::find(list.begin(), list.end(), &stranger).good());

    F_dual_list<Item> single(block, 1);
    EXPECT_EQ(1u, single.count());
    EXPECT_EQ(nullptr, block[0].get_next());
}

TEST(SortedList, OrderedInsertIsStableAndSortsFromTheTail) {
    Item e1(5), e2(5), e3(5), low(1), high(9), mid(5);
    F_sorted_list<Item> list;
    list.insert_to_tail_by_grown(&e1);
    list.insert_to_tail_by_grown(&high);
    list.insert_to_tail_by_grown(&e2);
    list.insert_to_tail_by_grown(&low);
    list.insert_to_tail_by_grown(&e3);
    list.insert_to_tail_by_grown(&mid);
    EXPECT_EQ((std::vector<Item*>{&low, &e1, &e2, &e3, &mid, &high}), Contents(list));
    ExpectConsistent(list);
}
