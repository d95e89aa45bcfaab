#include "CString.h"

#include <gtest/gtest.h>

TEST(CStringTest, FormatBuildsTextOfAnyLength)
{
    CString s;
    s.Format("Unknown Error (%d) occurred.", -4);
    EXPECT_EQ(s, "Unknown Error (-4) occurred.");

    std::string longText(5000, 'x');
    s.Format("<%s>", longText.c_str());
    EXPECT_EQ(s.GetLength(), 5002);
    EXPECT_EQ(s.GetAt(0), '<');
    EXPECT_EQ(s.GetAt(5001), '>');
}

TEST(CStringTest, SubstringsClampTheirArguments)
{
    CString s("mailto:someone@example.org");
    EXPECT_EQ(s.Find(':'), 6);
    EXPECT_EQ(s.Find("@"), 14);
    EXPECT_EQ(s.Find("%1"), -1);
    EXPECT_EQ(s.Find('m', 100), -1);
    EXPECT_EQ(s.Left(6), "mailto");
    EXPECT_EQ(s.Left(-1), "");
    EXPECT_EQ(s.Mid(7), "someone@example.org");
    EXPECT_EQ(s.Mid(7, 7), "someone");
    EXPECT_EQ(s.Mid(99), "");
    EXPECT_EQ(s.Right(3), "org");
    EXPECT_EQ(s.Right(99), s);
}

TEST(CStringTest, BufferIsCutAtItsFirstNul)
{
    CString s("abc");
    char* p = s.GetBuffer(10);
    p[0] = 'x';
    p[1] = '\0';
    s.ReleaseBuffer();
    EXPECT_EQ(s, "x");
    EXPECT_EQ(s.GetLength(), 1);
}

TEST(CStringTest, SelfAssignmentThroughPointerKeepsText)
{
    CString s("No Error(s) detected yet!");
    s = static_cast<const char*>(s);
    EXPECT_EQ(s, "No Error(s) detected yet!");
    s = static_cast<const char*>(nullptr);
    EXPECT_TRUE(s.IsEmpty());
}
