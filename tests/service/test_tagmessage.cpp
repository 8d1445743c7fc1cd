#include "TagMessage.h"

#include <gtest/gtest.h>

using namespace order;

TEST(TagMessage, BuildAndExtractEmptyValue)
{
    const std::string e = BuildTag("OH_CODE", "");
    EXPECT_EQ(e, "<OH_CODE></OH_CODE>");
    EXPECT_EQ(ExtractTag("OH_CODE", e), "");
}

TEST(TagMessage, TakeTagLeavesTextAtClosingTagSlash)
{
    std::string answer = "<RDC_0><A>1</A></RDC_0><RDC_1><A>2</A></RDC_1>";
    EXPECT_EQ(TakeTag("RDC_0", answer), "<A>1</A>");
    EXPECT_EQ(answer, "/RDC_0><RDC_1><A>2</A></RDC_1>");
}
