// The handle table's ring: order after Add, the cursor after lookups, and removal.
#include <gtest/gtest.h>

#include <vector>

#include "api/CSdkChain.h"

namespace kelvra {
namespace {

std::vector<int32_t> RingFromHead(const CSdkChain& chain) {
    std::vector<int32_t> handles;
    const CSdkChain::Node* node = chain.Head();
    for (int32_t i = 0; i < chain.Count(); ++i, node = node->next) {
        handles.push_back(node->data.handle);
    }
    return handles;
}

// Walks backwards too, so a broken previous link shows up.
std::vector<int32_t> RingBackwards(const CSdkChain& chain) {
    std::vector<int32_t> handles;
    const CSdkChain::Node* node = chain.Head();
    for (int32_t i = 0; i < chain.Count(); ++i, node = node->previous) {
        handles.push_back(node->data.handle);
    }
    return handles;
}

TEST(HandleRing, NewestEntryIsHeadAndOlderFollow) {
    CSdkChain chain;
    chain.Add({11, nullptr});
    EXPECT_EQ(chain.Head()->next, chain.Head());
    EXPECT_EQ(chain.Head()->previous, chain.Head());
    chain.Add({22, nullptr});
    chain.Add({33, nullptr});
    EXPECT_EQ(chain.Count(), 3);
    EXPECT_EQ(RingFromHead(chain), (std::vector<int32_t>{33, 22, 11}));
    EXPECT_EQ(RingBackwards(chain), (std::vector<int32_t>{33, 11, 22}));
}

TEST(HandleRing, TwoHandlesOrderAndCursorAfterLookups) {
    CSdkChain chain;
    chain.Add({100, nullptr});  // A
    chain.Add({200, nullptr});  // B
    EXPECT_EQ(RingFromHead(chain), (std::vector<int32_t>{200, 100}));

    ASSERT_NE(chain.Lookup(100), nullptr);
    EXPECT_EQ(chain.Head()->data.handle, 100);

    // An unknown handle leaves the cursor on the node that was last when the search began.
    chain.Add({300, nullptr});  // ring from head: 300, 100, 200; last is 200
    EXPECT_EQ(chain.Lookup(999), nullptr);
    EXPECT_EQ(chain.Head()->data.handle, 200);
}

TEST(HandleRing, SearchStopsAtFirstCopyOfTheTailHandle) {
    CSdkChain chain;
    for (int32_t h : {5, 7, 5, 9}) chain.Add({h, nullptr});
    ASSERT_EQ(RingFromHead(chain), (std::vector<int32_t>{9, 5, 7, 5}));
    // The tail handle is 5; the walk ends at the first 5 after the start, before reaching 7.
    EXPECT_EQ(chain.Find(7), 0);
    EXPECT_EQ(RingFromHead(chain), (std::vector<int32_t>{5, 7, 5, 9}));
    // From there the tail handle is 9, and 7 is found.
    EXPECT_EQ(chain.Find(7), 1);
    EXPECT_EQ(chain.Head()->data.handle, 7);
}

TEST(HandleRing, RemoveTakesTheFoundNodeAndKeepsLinksWhole) {
    CSdkChain chain;
    for (int32_t h : {1, 2, 3, 4}) chain.Add({h, nullptr});  // 4, 3, 2, 1
    EXPECT_EQ(chain.Remove(2), 1);
    EXPECT_EQ(chain.Count(), 3);
    EXPECT_EQ(chain.Head()->data.handle, 1);  // successor of the removed node
    EXPECT_EQ(RingFromHead(chain), (std::vector<int32_t>{1, 4, 3}));
    EXPECT_EQ(RingBackwards(chain), (std::vector<int32_t>{1, 3, 4}));
    EXPECT_EQ(chain.Remove(2), 0);
    EXPECT_EQ(chain.Count(), 3);

    EXPECT_EQ(chain.Remove(3), 1);
    EXPECT_EQ(chain.Remove(4), 1);
    EXPECT_EQ(chain.Remove(1), 1);
    EXPECT_EQ(chain.Count(), 0);
    EXPECT_EQ(chain.Head(), nullptr);
    EXPECT_EQ(chain.RemoveHead(), 0);
    EXPECT_EQ(chain.Find(1), 0);
    EXPECT_EQ(chain.Lookup(0), nullptr);
}

}  // namespace
}  // namespace kelvra
