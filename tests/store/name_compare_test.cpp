#include "store/name_compare.h"

#include <gtest/gtest.h>

namespace {

TEST(NameCompareTest, IgnoresCaseOfLettersWithASimpleLowerCase) {
    EXPECT_EQ(CompareNoCase(u"SMS", u"sms"), 0);
    EXPECT_EQ(CompareNoCase(u"ÀÉÎÕÜ", u"àéîõü"), 0);
    EXPECT_EQ(CompareNoCase(u"ŁĄĆŻŸ", u"łąćżÿ"), 0);
    EXPECT_EQ(CompareNoCase(u"ΣΩ", u"σω"), 0);
    EXPECT_EQ(CompareNoCase(u"ЖЁ", u"жё"), 0);
    EXPECT_NE(CompareNoCase(u"×", u"÷"), 0); // not a case pair
    EXPECT_NE(CompareNoCase(u"SMS", u"SMT"), 0);
}

TEST(NameCompareTest, OrdersLikeLowerCasedText) {
    EXPECT_LT(CompareNoCase(u"abc", u"ABD"), 0);
    EXPECT_GT(CompareNoCase(u"b", u"A"), 0);
    EXPECT_LT(CompareNoCase(u"SM", u"sms"), 0);
    EXPECT_GT(CompareNoCase(u"smsx", u"SMS"), 0);
    EXPECT_EQ(CompareNoCase(u"", u""), 0);
}

} // namespace
