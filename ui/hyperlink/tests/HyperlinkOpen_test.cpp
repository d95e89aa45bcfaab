// Opening a link's target with its fallback, and the error texts, through a
// system whose answers the test sets.
#include <gtest/gtest.h>

#include "LinkTestSupport.h"
#include "MessageBoxCatcher.h"

namespace {

using namespace linktest;

// ---------------------------------------------------------------------------
// Opening a target

TEST(OpenTarget, ShellSuccessIsReturnedWithoutFallback)
{
    FakeLinkSystem fake;
    fake.shellResult = 42;
    fake.RegisterBrowser("browser.exe %1");
    HyperlinkControl link(fake);
    EXPECT_EQ(link.OpenTarget("mailto:someone@example.com", SW_SHOW), 42);
    ASSERT_EQ(fake.shellCalls.size(), 1u);
    EXPECT_EQ(fake.shellCalls[0], "mailto:someone@example.com");
    EXPECT_EQ(fake.shellShow[0], SW_SHOW);
    EXPECT_TRUE(fake.opened.empty());
    EXPECT_TRUE(fake.execCalls.empty());
}

TEST(OpenTarget, ShellRunsWithComInitialisedOnTheThreadAndBalanced)
{
    struct Case { const char* thread; HRESULT com; std::vector<std::string> sequence; };
    const Case cases[] = {
        { "without COM", S_OK, { "com init", "shell with COM", "com uninit" } },
        { "already in the apartment", S_FALSE, { "com init", "shell with COM", "com uninit" } },
        // COM is there, in another apartment: not ours to uninitialise.
        { "in another apartment", RPC_E_CHANGED_MODE, { "com init", "shell with COM" } },
        { "COM failing", E_OUTOFMEMORY, { "com init", "shell" } },
    };
    for (const Case& c : cases) {
        FakeLinkSystem fake;
        fake.shellResult = 42;
        fake.comResult = c.com;
        HyperlinkControl link(fake);
        EXPECT_EQ(link.OpenTarget("http://www.example.com/", SW_SHOW), 42) << c.thread;
        EXPECT_EQ(fake.comSequence, c.sequence) << c.thread;
        EXPECT_EQ(fake.comInitialised, 0) << c.thread;
    }
}

TEST(OpenTarget, ShellResultOf32IsAFailure)
{
    FakeLinkSystem fake;
    fake.shellResult = 32;
    fake.RegisterBrowser("browser.exe");
    fake.execResult = 40;
    HyperlinkControl link(fake);
    EXPECT_EQ(link.OpenTarget("x", SW_SHOW), 40);
    EXPECT_EQ(fake.execCalls.size(), 1u);
}

TEST(OpenTarget, QuotedPlaceholderAndWhatFollowsAreReplaced)
{
    FakeLinkSystem fake;
    fake.RegisterBrowser("\"C:\\Program Files\\Browser\\browser.exe\" \"%1\" -nohome");
    fake.execResult = 35;
    HyperlinkControl link(fake);
    EXPECT_EQ(link.OpenTarget("www.example.com/page", SW_SHOW), 35);
    ASSERT_EQ(fake.opened.size(), 2u);
    EXPECT_EQ(fake.opened[0], ".htm");
    EXPECT_EQ(fake.opened[1], "htmlfile\\shell\\open\\command");
    EXPECT_EQ(fake.closed, 2);
    ASSERT_EQ(fake.execCalls.size(), 1u);
    EXPECT_EQ(fake.execCalls[0], "\"C:\\Program Files\\Browser\\browser.exe\"  www.example.com/page");
}

TEST(OpenTarget, UnquotedPlaceholderIsCutAtThePercentSign)
{
    EXPECT_STREQ(HyperlinkControl::BuildBrowserCommand("browser.exe %1 -x", "a.b/c"), "browser.exe  a.b/c");
    EXPECT_STREQ(HyperlinkControl::BuildBrowserCommand("browser.exe -url=%1", "a.b"), "browser.exe -url= a.b");
}

TEST(OpenTarget, CommandWithoutPlaceholderGetsTheTargetAppended)
{
    EXPECT_STREQ(HyperlinkControl::BuildBrowserCommand("\"browser.exe\" -new", "a.b"), "\"browser.exe\" -new a.b");
    // The first placeholder decides; a quoted one is preferred wherever it is.
    EXPECT_STREQ(HyperlinkControl::BuildBrowserCommand("b.exe %1 \"%1\"", "t"), "b.exe %1  t");
}

TEST(OpenTarget, MissingHtmAssociationReportsTheShellsError)
{
    FakeLinkSystem fake;
    fake.shellResult = SE_ERR_NOASSOC;
    HyperlinkControl link(fake);
    EXPECT_EQ(link.OpenTarget("example.com", SW_SHOW), SE_ERR_NOASSOC);
    EXPECT_TRUE(fake.execCalls.empty());
}

TEST(OpenTarget, MissingCommandKeyReportsTheShellsError)
{
    FakeLinkSystem fake;
    fake.keys[".htm"].value = "htmlfile";
    HyperlinkControl link(fake);
    EXPECT_EQ(link.OpenTarget("example.com", SW_SHOW), SE_ERR_FNF);
    EXPECT_EQ(fake.opened.size(), 2u);
    EXPECT_TRUE(fake.execCalls.empty());
}

TEST(OpenTarget, UnreadableDefaultValueCountsAsMissing)
{
    FakeLinkSystem fake;
    fake.RegisterBrowser("browser.exe %1");
    fake.keys["htmlfile\\shell\\open\\command"].queryResult = ERROR_ACCESS_DENIED;
    HyperlinkControl link(fake);
    EXPECT_EQ(link.OpenTarget("example.com", SW_SHOW), SE_ERR_FNF);
    EXPECT_TRUE(fake.execCalls.empty());
    EXPECT_EQ(fake.closed, 2);  // opened keys are closed either way
}

TEST(OpenTarget, TooLongRegistryValueIsNeverUsedCutShort)
{
    FakeLinkSystem fake;
    fake.RegisterBrowser("\"C:\\" + std::string(300, 'b') + ".exe\" \"%1\"");
    HyperlinkControl link(fake);
    EXPECT_EQ(link.OpenTarget("example.com", SW_SHOW), SE_ERR_FNF);
    EXPECT_TRUE(fake.execCalls.empty());
}

TEST(OpenTarget, LongCommandLineIsRunWhole)
{
    FakeLinkSystem fake;
    std::string program = "\"C:\\" + std::string(240, 'p') + ".exe\"";
    fake.RegisterBrowser(program + " \"%1\"");
    std::string target = "example.com/" + std::string(600, 't');
    HyperlinkControl link(fake);
    link.OpenTarget(target.c_str(), SW_SHOW);
    ASSERT_EQ(fake.execCalls.size(), 1u);
    EXPECT_EQ(fake.execCalls[0], program + "  " + target);
}

TEST(ReadClassesRootDefault, ReturnsTheOpenErrorOrZeroWithTheValue)
{
    FakeLinkSystem fake;
    fake.keys["a"].value = "value of a";
    fake.keys["b"].openResult = ERROR_ACCESS_DENIED;
    HyperlinkControl link(fake);
    CString value = "untouched";
    EXPECT_EQ(link.ReadClassesRootDefault(HKEY_CLASSES_ROOT, "missing", value), ERROR_FILE_NOT_FOUND);
    EXPECT_STREQ(value, "untouched");
    EXPECT_EQ(link.ReadClassesRootDefault(HKEY_CLASSES_ROOT, "b", value), ERROR_ACCESS_DENIED);
    EXPECT_EQ(link.ReadClassesRootDefault(HKEY_CLASSES_ROOT, "a", value), 0);
    EXPECT_STREQ(value, "value of a");
}

TEST(ReadClassesRootDefault, RealRegistryDefaultValue)
{
    // Written and removed by the test in its own prefix's HKCU.
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\PyroluxLinkTest", &key), ERROR_SUCCESS);
    RegSetValueA(key, nullptr, REG_SZ, "\"c:\\x.exe\" \"%1\"", 0);
    RegCloseKey(key);
    HyperlinkControl link;
    CString value;
    EXPECT_EQ(link.ReadClassesRootDefault(HKEY_CURRENT_USER, "Software\\PyroluxLinkTest", value), 0);
    EXPECT_STREQ(value, "\"c:\\x.exe\" \"%1\"");
    EXPECT_NE(link.ReadClassesRootDefault(HKEY_CURRENT_USER, "Software\\PyroluxLinkTest\\none", value), 0);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\PyroluxLinkTest");
}

// ---------------------------------------------------------------------------
// Error texts

TEST(ShowOpenError, EveryCodeHasItsText)
{
    const std::pair<int, const char*> table[] = {
        { 0, "The operating system is out\nof memory or resources." },
        { 2, "The specified file was not found." },
        { 3, "The specified path was not found." },
        { 5, "The operating system denied\naccess to the specified file." },
        { 8, "There was not enough memory to complete the operation." },
        { 11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)." },
        { 26, "A sharing violation occurred. " },
        { 27, "The filename association is\nincomplete or invalid." },
        { 28, "The DDE transaction could not\nbe completed because the request timed out." },
        { 29, "The DDE transaction failed." },
        { 30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed." },
        { 31, "There is no application associated\nwith the given filename extension." },
        { 32, "The specified dynamic-link library was not found." },
        { 4, "Unknown Error (4) occurred." },
        { -7, "Unknown Error (-7) occurred." },
        { 1, "Unknown Error (1) occurred." },
    };
    FakeLinkSystem fake;
    HyperlinkControl link(fake);
    for (const auto& row : table) {
        fake.messages.clear();
        link.ShowOpenError(row.first);
        ASSERT_EQ(fake.messages.size(), 1u) << row.first;
        EXPECT_EQ(fake.messages[0].first, std::string("Unable to open hyperlink:\n\n") + row.second) << row.first;
        EXPECT_EQ(fake.messages[0].second, static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK)) << row.first;
    }
}

TEST(ShowOpenError, RealMessageBoxCaptionedWithTheApplicationName)
{
    MessageBoxCatcher catcher;
    HyperlinkControl link;
    link.ShowOpenError(SE_ERR_SHARE);
    ASSERT_EQ(catcher.boxes.size(), 1u);
    EXPECT_EQ(catcher.boxes[0].caption, "hyperlink_test");
    EXPECT_EQ(catcher.boxes[0].text, "Unable to open hyperlink:\n\nA sharing violation occurred. ");
    EXPECT_TRUE(catcher.boxes[0].exclamationIcon);
    EXPECT_EQ(catcher.boxes[0].buttons, 1);
}

}  // namespace
