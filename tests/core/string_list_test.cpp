#include <gtest/gtest.h>

#include "failure.h"
#include "state/string_list.h"

namespace quill {
namespace {

TEST(StringList, KeepsOrderAndFindsFirstOccurrence) {
    StringList list;
    ASSERT_TRUE(list.append(u"b"));
    ASSERT_TRUE(list.append(u"c"));
    ASSERT_TRUE(list.insertTop(u"a"));
    ASSERT_TRUE(list.append(u"a"));
    ASSERT_TRUE(list.insertTop(u"c"));
    // c a b c a
    EXPECT_EQ(list.count(), 5);
    EXPECT_EQ(list.item(0), u"c");
    EXPECT_EQ(list.item(4), u"a");
    EXPECT_EQ(list.firstIndexOf(u"c"), 0);
    EXPECT_EQ(list.firstIndexOf(u"a"), 1);
    EXPECT_EQ(list.firstIndexOf(u"b"), 2);
    EXPECT_EQ(list.firstIndexOf(u"B"), -1);
    list.clear();
    EXPECT_EQ(list.firstIndexOf(u"a"), -1);
    ASSERT_TRUE(list.append(u"a"));
    EXPECT_EQ(list.firstIndexOf(u"a"), 0);
}

TEST(StringList, HoldsAtMost32767EntriesAndRejectsBadIndices) {
    StringList list;
    for (int i = 0; i < StringList::kMaxEntries; ++i) ASSERT_TRUE(list.append(u"x"));
    EXPECT_EQ(list.count(), 32767);
    EXPECT_FALSE(list.append(u"y"));
    EXPECT_FALSE(list.insertTop(u"y"));
    EXPECT_EQ(list.firstIndexOf(u"y"), -1);
    EXPECT_THROW((void)list.item(32767), RunFailure);
    EXPECT_THROW((void)list.item(-1), RunFailure);
}

}  // namespace
}  // namespace quill
