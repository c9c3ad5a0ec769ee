// DEL-separated protocol fields.
#include "common/fields.h"

#include <gtest/gtest.h>

using common::joinFields;
using common::splitFields;
using Fields = std::vector<std::string>;

TEST(Fields, SplitKeepsEveryEmptyField)
{
    struct Case {
        std::string in;
        Fields out;
    } cases[] = {
        {"", {""}},
        {"a", {"a"}},
        {"a\x7F", {"a", ""}},
        {"\x7F" "a", {"", "a"}},
        {"\x7F\x7F", {"", "", ""}},
        {"3\x7F" "12\x7Ftag with spaces", {"3", "12", "tag with spaces"}},
        {std::string("n\0l\x7Fz", 5), {std::string("n\0l", 3), "z"}},
        {"caf\xC3\xA9\x7F\xFF", {"caf\xC3\xA9", "\xFF"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(splitFields(c.in), c.out) << testing::PrintToString(c.in);
        EXPECT_EQ(joinFields(splitFields(c.in)), c.in);
    }
}
