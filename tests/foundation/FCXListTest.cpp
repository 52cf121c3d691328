#include "foundation/FCXList.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
int g_calls = 0;
int CountCalls(FCString*) {
    ++g_calls;
    return 1;
}
int StopAtQ(FCString* s) {
    ++g_calls;
    return lstrcmpA(s->text(), "Q") == 0 ? 0 : 1;
}

std::vector<std::string> Walk(FCXList<FCString>& list) {
    std::vector<std::string> out;
    FCXListIterator<FCString> it(list);
    while (FCString* s = it.next()) out.push_back(s->text());
    return out;
}

// Counts destructions of its elements.
struct Counted : FCString {
    explicit Counted(int* counter) : counter_(counter) {}
    ~Counted() override { ++*counter_; }
    int* counter_;
};
}  // namespace

TEST(FCXList, NewListIsEmpty) {
    FCXList<FCString> list;
    EXPECT_EQ(0, list.nodeCount);
    g_calls = 0;
    EXPECT_EQ(1, list.forEach(CountCalls));
    EXPECT_EQ(0, g_calls);
    FCString key("x");
    EXPECT_EQ(FCXList<FCString>::notFound(), list.find(&key));
    FCXListIterator<FCString> it(list);
    EXPECT_EQ(nullptr, it.next());
    list.addTail(new FCString("late"), 1);
    EXPECT_STREQ("late", it.next()->text());  // an iterator that found nothing starts afresh
}

TEST(FCXList, OneNodePointsToItself) {
    FCXList<FCString> a, b;
    a.addHead(new FCString("x"), 1);
    b.addTail(new FCString("x"), 1);
    for (FCXList<FCString>* l : {&a, &b}) {
        EXPECT_EQ(1, l->nodeCount);
        EXPECT_EQ(l->last, l->last->next);
        EXPECT_EQ(l->last, l->last->prev);
    }
}

TEST(FCXList, OrderOfHeadAndTailInsertion) {
    FCXList<FCString> tail, head;
    for (const char* t : {"P", "Q", "R"}) {
        tail.addTail(new FCString(t), 1);
        head.addHead(new FCString(t), 1);
    }
    EXPECT_EQ((std::vector<std::string>{"P", "Q", "R"}), Walk(tail));
    EXPECT_EQ((std::vector<std::string>{"R", "Q", "P"}), Walk(head));
    FCXListIterator<FCString> it(tail);
    it.next();
    it.next();
    it.next();
    EXPECT_EQ(nullptr, it.next());
    EXPECT_EQ(nullptr, it.next());
    g_calls = 0;
    EXPECT_EQ(0, tail.forEach(StopAtQ));
    EXPECT_EQ(2, g_calls);
}

TEST(FCXList, RemoveMovesLastAndEmpties) {
    FCXList<FCString> list;
    list.addTail(new FCString("A"), 1);
    list.addTail(new FCString("B"), 1);
    FCString b("B");
    list.remove(&b, 1);
    EXPECT_EQ(1, list.nodeCount);
    EXPECT_STREQ("A", list.last->data->text());
    EXPECT_EQ(list.last, list.last->next);
    FCString missing("Z");
    list.remove(&missing, 1);
    EXPECT_EQ(1, list.nodeCount);
    list.remove(nullptr, 1);
    FCString a("A");
    list.remove(&a, 1);
    EXPECT_EQ(0, list.nodeCount);
    EXPECT_EQ(nullptr, list.last);
}

TEST(FCXList, DeleteAllDestroysOnlyOwnedElements) {
    int destroyed = 0;
    Counted kept(&destroyed);
    {
        FCXList<FCString> list;
        list.addTail(new Counted(&destroyed), 1);
        list.addTail(new Counted(&destroyed), 1);
        list.addTail(&kept, 0);
        list.deleteAll();
        EXPECT_EQ(2, destroyed);
        EXPECT_EQ(0, list.nodeCount);
        list.addTail(new Counted(&destroyed), 1);
    }
    EXPECT_EQ(3, destroyed);
}

TEST(FCXList, EqualityByTextOrById) {
    FCXList<FCString> strings;
    strings.addTail(new FCString("same"), 1);
    FCString key("same");
    EXPECT_EQ(1, strings.contains(&key));
    EXPECT_EQ(0, strings.containsChecked(nullptr));
    FCXList<FCIdString> ids;
    ids.addTail(new FCIdString(7, "first"), 1);
    FCIdString other(7, "different text");
    EXPECT_EQ(1, ids.contains(&other));
    FCIdString eight(8, "first");
    EXPECT_EQ(0, ids.contains(&eight));
    EXPECT_EQ(1, ids.containsNode(ids.last));
    EXPECT_EQ(0, ids.isValidPosition(nullptr));
    EXPECT_EQ(0, ids.isValidPosition(FCXList<FCIdString>::notFound()));
}
