#include <gtest/gtest.h>

#include <vector>

#include "foundation/pool_list.h"

using namespace ob7;

namespace {

struct Item : PoolNode {
    int value;
};

std::vector<int> destroyed;
void RecordDestroy(PoolNode* node) { destroyed.push_back(static_cast<Item*>(node)->value); }

class PoolListTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.Init();
        list.nodeSize = sizeof(Item);
        list.destroy = RecordDestroy;
        destroyed.clear();
    }
    void TearDown() override {
        list.RemoveAll();
        SetListInsertMode(2);
    }
    Item* Make(int value) {
        Item* item = list.New<Item>(1);
        item->value = value;
        return item;
    }
    std::vector<int> Values() const {
        std::vector<int> values;
        int n = 0;
        for (PoolNode* p = list.head; p; p = p->next, ++n)
            values.push_back(static_cast<Item*>(p)->value);
        EXPECT_EQ(n, list.count);
        // The backward links agree with the forward ones.
        std::vector<int> backward;
        for (PoolNode* p = list.tail; p; p = p->previous)
            backward.insert(backward.begin(), static_cast<Item*>(p)->value);
        EXPECT_EQ(values, backward);
        return values;
    }
    CPoolList list;
};

}  // namespace

TEST_F(PoolListTest, AddsAtTheTailOrAtTheHeadInInsertMode1) {
    Make(1);
    Make(2);
    Make(3);
    EXPECT_EQ(Values(), (std::vector<int>{1, 2, 3}));
    list.RemoveAll();
    SetListInsertMode(1);
    Make(1);
    Make(2);
    Make(3);
    EXPECT_EQ(Values(), (std::vector<int>{3, 2, 1}));
}

TEST_F(PoolListTest, InsertsAroundPositionsAndNullPositions) {
    Item* two = Make(2);
    Item* a = static_cast<Item*>(list.AllocNode(1));
    a->value = 1;
    list.InsertBefore(nullptr, a);
    Item* b = static_cast<Item*>(list.AllocNode(1));
    b->value = 9;
    list.InsertAfter(nullptr, b);
    Item* c = static_cast<Item*>(list.AllocNode(1));
    c->value = 3;
    list.InsertAfter(two, c);
    Item* d = static_cast<Item*>(list.AllocNode(1));
    d->value = 0;
    list.InsertBefore(a, d);
    EXPECT_EQ(Values(), (std::vector<int>{0, 1, 2, 3, 9}));
    EXPECT_EQ(list.AddTail(nullptr), nullptr);
    EXPECT_EQ(list.count, 5);
}

TEST_F(PoolListTest, DeleteAndDeleteFrom) {
    Item* only = Make(1);
    EXPECT_EQ(list.Delete(only), nullptr);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.tail, nullptr);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(destroyed, (std::vector<int>{1}));

    Item* first = Make(1);
    Make(2);
    Item* last = Make(3);
    list.DeleteFrom(last);
    EXPECT_EQ(Values(), (std::vector<int>{1, 2}));
    list.DeleteFrom(first);
    EXPECT_EQ(Values(), (std::vector<int>{}));
    EXPECT_EQ(destroyed, (std::vector<int>{1, 3, 1, 2}));
    list.DeleteFrom(nullptr);
    EXPECT_EQ(list.Delete(nullptr), nullptr);
}

TEST(PoolList, ANodeAlwaysHoldsItsHeader) {
    CPoolList list;
    list.Init();  // the owner forgot the node size
    PoolNode* node = list.NewNode(3);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->kind, 3);
    EXPECT_GE(list.nodeSize, static_cast<int32_t>(sizeof(PoolNode)));
    list.RemoveAll();
}

TEST_F(PoolListTest, UnlinkKeepsTheNodeAndReturnsItsSuccessor) {
    Make(1);
    Item* two = Make(2);
    Item* three = Make(3);
    EXPECT_EQ(list.Unlink(two), three);
    EXPECT_EQ(Values(), (std::vector<int>{1, 3}));
    EXPECT_TRUE(destroyed.empty());
    list.AddTail(two);
    EXPECT_EQ(Values(), (std::vector<int>{1, 3, 2}));
}

TEST_F(PoolListTest, PooledNodesComeFromBlocksAndAllReachTheCallback) {
    list.SetPooled(100);
    std::vector<Item*> items;
    for (int i = 0; i < 101; ++i)
        items.push_back(Make(i));
    EXPECT_EQ(list.blockCount, 2);
    EXPECT_EQ(list.usedInLastBlock, 1);
    EXPECT_EQ(items[1], reinterpret_cast<Item*>(reinterpret_cast<char*>(items[0]) + sizeof(Item)));

    list.Unlink(items[5]);   // unlinked: still released through the callback
    list.Delete(items[7]);   // deleted: its callback ran once already
    EXPECT_EQ(items[7]->kind, -1);
    destroyed.clear();
    list.RemoveAll();
    EXPECT_EQ(destroyed.size(), 100u);
    EXPECT_NE(std::find(destroyed.begin(), destroyed.end(), 5), destroyed.end());
    EXPECT_EQ(std::find(destroyed.begin(), destroyed.end(), 7), destroyed.end());
    EXPECT_EQ(list.blockCount, 0);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.head, nullptr);
    // The list is usable again with the same settings.
    Make(42);
    EXPECT_EQ(Values(), (std::vector<int>{42}));
}
