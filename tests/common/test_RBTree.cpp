#include "u_Exception.h"
#include "u_RBTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <vector>

namespace {

// Checks the red-black properties, parent links and key order below Node; returns
// the black height (counting the sentinel).
int CheckSubtree(const TRBTree& Tree, const TRBNode* Node, const TRBNode* Parent, int& Nodes) {
    if (Tree.IsSentinel(Node))
        return 1;
    ++Nodes;
    EXPECT_EQ(Node->Parent, Parent);
    if (Node->Color == rbRed) {
        EXPECT_EQ(Node->Left->Color, rbBlack) << "red node " << Node->Key << " with red child";
        EXPECT_EQ(Node->Right->Color, rbBlack) << "red node " << Node->Key << " with red child";
    }
    if (!Tree.IsSentinel(Node->Left)) {
        EXPECT_LT(Node->Left->Key, Node->Key);
    }
    if (!Tree.IsSentinel(Node->Right)) {
        EXPECT_GT(Node->Right->Key, Node->Key);
    }
    const int left = CheckSubtree(Tree, Node->Left, Node, Nodes);
    const int right = CheckSubtree(Tree, Node->Right, Node, Nodes);
    EXPECT_EQ(left, right) << "unequal black height below " << Node->Key;
    return left + (Node->Color == rbBlack ? 1 : 0);
}

void CheckTree(const TRBTree& Tree) {
    EXPECT_EQ(Tree.Root()->Color, rbBlack);
    EXPECT_EQ(Tree.Sentinel()->Color, rbBlack);
    int nodes = 0;
    CheckSubtree(Tree, Tree.Root(), Tree.Sentinel(), nodes);
    EXPECT_EQ(nodes, Tree.Count());
}

std::vector<TRBKey> InOrder(const TRBTree& Tree) {
    std::vector<TRBKey> keys;
    for (TRBNode* n = Tree.First(); !Tree.IsSentinel(n); n = Tree.Next(n))
        keys.push_back(n->Key);
    return keys;
}

} // namespace

TEST(RBTree, EmptyTree) {
    TRBTree tree;
    EXPECT_EQ(tree.Count(), 0);
    EXPECT_TRUE(tree.IsSentinel(tree.Root()));
    EXPECT_TRUE(tree.IsSentinel(tree.First()));
    EXPECT_TRUE(tree.IsSentinel(tree.Find(tree.Root(), 5)));
    EXPECT_FALSE(tree.Delete(5));
    EXPECT_FALSE(tree.DeleteNode(tree.Sentinel()));
    tree.Clear();
    EXPECT_EQ(tree.Count(), 0);
}

TEST(RBTree, DuplicateKeyIsRefusedWithoutChange) {
    TRBTree tree;
    int a = 0, b = 0;
    ASSERT_NE(tree.Add(7, &a), nullptr);
    EXPECT_EQ(tree.Add(7, &b), nullptr);
    EXPECT_EQ(tree.Count(), 1);
    EXPECT_EQ(tree.Find(tree.Root(), 7)->Data, &a);
}

TEST(RBTree, NegativeKeysOrderAsSignedIntegers) {
    TRBTree tree;
    for (TRBKey k : {5, -1, 0, INT32_MIN, INT32_MAX, -100})
        tree.Add(k, nullptr);
    EXPECT_EQ(InOrder(tree), (std::vector<TRBKey>{INT32_MIN, -100, -1, 0, 5, INT32_MAX}));
}

TEST(RBTree, RandomInsertsAndDeletesKeepInvariants) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 20; ++round) {
        TRBTree tree;
        std::set<TRBKey> model;
        std::uniform_int_distribution<int> keyDist(-500, 500);
        for (int i = 0; i < 600; ++i) {
            const TRBKey k = keyDist(rng);
            if (rng() % 3 == 0) {
                EXPECT_EQ(tree.Delete(k), model.erase(k) == 1);
            } else {
                EXPECT_EQ(tree.Add(k, nullptr) != nullptr, model.insert(k).second);
            }
            if (i % 50 == 0)
                CheckTree(tree);
        }
        CheckTree(tree);
        EXPECT_EQ(InOrder(tree), std::vector<TRBKey>(model.begin(), model.end()));

        // Delete every node one by one in random order.
        std::vector<TRBKey> keys(model.begin(), model.end());
        std::shuffle(keys.begin(), keys.end(), rng);
        for (size_t i = 0; i < keys.size(); ++i) {
            ASSERT_TRUE(tree.Delete(keys[i]));
            EXPECT_FALSE(tree.Delete(keys[i]));
            if (i % 25 == 0)
                CheckTree(tree);
        }
        EXPECT_EQ(tree.Count(), 0);
        EXPECT_TRUE(tree.IsSentinel(tree.Root()));
        CheckTree(tree);
    }
}

TEST(RBTree, SequentialInsertsStayBalanced) {
    TRBTree tree;
    for (TRBKey k = 0; k < 4096; ++k)
        tree.Add(k, nullptr);
    CheckTree(tree);
    // Height of a red-black tree is at most 2 log2(n + 1).
    std::function<int(TRBNode*)> height = [&](TRBNode* n) {
        return tree.IsSentinel(n) ? 0 : 1 + std::max(height(n->Left), height(n->Right));
    };
    EXPECT_LE(height(tree.Root()), 2 * 13);
}

TEST(RBTree, DeleteNodeKeepsDataWithItsKey) {
    // Removing a node with two children moves the successor's entry into it; the
    // data must travel with the key.
    TRBTree tree;
    std::vector<int> data(100);
    for (int i = 0; i < 100; ++i)
        tree.Add(i, &data[static_cast<size_t>(i)]);
    for (int i = 0; i < 100; i += 3)
        ASSERT_TRUE(tree.DeleteNode(tree.Find(tree.Root(), i)));
    for (int i = 0; i < 100; ++i) {
        TRBNode* n = tree.Find(tree.Root(), i);
        if (i % 3 == 0) {
            EXPECT_TRUE(tree.IsSentinel(n));
        } else {
            ASSERT_FALSE(tree.IsSentinel(n));
            EXPECT_EQ(n->Data, &data[static_cast<size_t>(i)]);
        }
    }
    CheckTree(tree);
}

TEST(RBTree, OnDeleteNodeSeesEveryLeavingNode) {
    std::map<TRBKey, void*> removed;
    int values[10];
    {
        TRBTree tree;
        tree.OnDeleteNode = [&](TRBTree& t, TRBKey key, void* data) {
            EXPECT_EQ(&t, &tree);
            EXPECT_TRUE(removed.emplace(key, data).second);
        };
        for (int i = 0; i < 10; ++i)
            tree.Add(i, &values[i]);
        tree.Delete(3);
        tree.DeleteNode(tree.Find(tree.Root(), 4));
        EXPECT_EQ(removed.size(), 2u);
        EXPECT_EQ(removed[3], &values[3]);
        EXPECT_FALSE(tree.Delete(3)); // missing: no notification
        EXPECT_EQ(removed.size(), 2u);
        tree.Clear();
        EXPECT_EQ(removed.size(), 10u);
        EXPECT_EQ(tree.Count(), 0);
        for (int i = 20; i < 25; ++i)
            tree.Add(i, &values[i - 20]);
    } // destruction notifies too
    EXPECT_EQ(removed.size(), 15u);
    EXPECT_EQ(removed[24], &values[4]);
}

TEST(RBTree, CustomCompareOrdersByEvent) {
    TCustomCompareRBTree tree;
    // Default comparison is plain signed integer order.
    for (TRBKey k : {3, -2, 9})
        tree.Add(k, nullptr);
    EXPECT_EQ(InOrder(tree), (std::vector<TRBKey>{-2, 3, 9}));
    tree.Clear();

    // Reverse order by key; keys that compare equal are duplicates.
    tree.OnCompare = [](const TCustomCompareRBTree&, TRBKey a, TRBKey b) {
        return (b / 10 > a / 10) - (b / 10 < a / 10);
    };
    for (TRBKey k : {10, 30, 20, 50, 40})
        ASSERT_NE(tree.Add(k, nullptr), nullptr);
    EXPECT_EQ(tree.Add(31, nullptr), nullptr); // equal to 30 under this order
    EXPECT_EQ(InOrder(tree), (std::vector<TRBKey>{50, 40, 30, 20, 10}));
    EXPECT_EQ(tree.Find(tree.Root(), 22)->Key, 20);
    EXPECT_TRUE(tree.Delete(45));
    EXPECT_EQ(InOrder(tree), (std::vector<TRBKey>{50, 30, 20, 10}));
}

TEST(IntegerList, AddReadDeleteShift) {
    TIntegerList list;
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(list.Add(i * 10), i);
    list.Delete(0);
    list.Delete(8); // last
    list.Delete(3);
    EXPECT_EQ(std::vector<TIntegerList::TItem>(list.begin(), list.end()),
              (std::vector<TIntegerList::TItem>{10, 20, 30, 50, 60, 70, 80}));
    EXPECT_EQ(list.List()[3], 50);
}

TEST(IntegerList, GrowthSteps) {
    TIntegerList list;
    std::vector<int> capacities;
    for (int i = 0; i < 200; ++i) {
        list.Add(i);
        if (capacities.empty() || capacities.back() != list.Capacity())
            capacities.push_back(list.Capacity());
    }
    // +4 up to 8, +16 up to 64, then a quarter.
    EXPECT_EQ(capacities, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95, 118, 147, 183, 228}));
}

TEST(IntegerList, CountAndCapacity) {
    TIntegerList list;
    list.Add(5);
    list.SetCount(4);
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list[0], 5);
    EXPECT_EQ(list[3], 0); // grown with zeros
    list.SetCount(1);
    list.SetCount(3);
    EXPECT_EQ(list[2], 0); // shrunk values do not come back
    list.SetCapacity(100);
    EXPECT_EQ(list.Capacity(), 100);
    EXPECT_EQ(list.Count(), 3);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 0);
}

TEST(IntegerList, RangeErrors) {
    TIntegerList list;
    list.Add(1);
    list.Add(2);
    auto message = [](auto&& f) {
        try {
            f();
        } catch (const EListError& e) {
            return e.Message();
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([&] { list.Items(2); }), "List index out of bounds (2)");
    EXPECT_EQ(message([&] { list.Items(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(message([&] { list.Delete(5); }), "List index out of bounds (5)");
    EXPECT_EQ(message([&] { list.SetCapacity(1); }), "List capacity out of bounds (1)");
    EXPECT_EQ(message([&] { list.SetCapacity(134217728); }), "List capacity out of bounds (134217728)");
    EXPECT_EQ(message([&] { list.SetCount(-1); }), "List count out of bounds (-1)");
    EXPECT_EQ(message([&] { list.SetCount(134217728); }), "List count out of bounds (134217728)");
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list[1], 2);
}

TEST(IntegerList, CopyAndMove) {
    TIntegerList a;
    a.Add(1);
    a.Add(2);
    TIntegerList b = a;
    b.Add(3);
    EXPECT_EQ(a.Count(), 2);
    TIntegerList c = std::move(b);
    EXPECT_EQ(c.Count(), 3);
    EXPECT_EQ(c[2], 3);
}
