// The companion library's application object with the sockets start-up and
// the message box replaced: what the user is told, and that a start-up is
// always balanced.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AfxDll.h"
#include "MessageBoxCatcher.h"
#include "ModuleApp.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

namespace {

class FakeSockets : public ModuleSystem {
public:
    int startResult = 0;
    WORD offeredVersion = MAKEWORD(1, 1);
    std::vector<WORD> requested;
    int cleanups = 0;

    int StartSockets(WORD wVersionRequested, WSADATA* data) override
    {
        requested.push_back(wVersionRequested);
        if (startResult != 0)
            return startResult;
        data->wVersion = offeredVersion;
        data->wHighVersion = offeredVersion;
        return 0;
    }
    int CleanupSockets() override
    {
        ++cleanups;
        return 0;
    }
};

// Records the message instead of showing it.
class FakeSystem : public FakeSockets {
public:
    std::vector<std::pair<std::string, UINT>> messages;
    int ShowMessage(const char* text, UINT type) override
    {
        messages.emplace_back(text, type);
        return IDOK;
    }
};

const char* const FailureText = "Windows sockets initialization failed.";

TEST(ModuleStartup, NamedAfterTheModuleFile)
{
    FakeSystem fake;
    ModuleApp app(fake);
    EXPECT_EQ(app.m_pszAppName, nullptr);
    ASSERT_TRUE(AfxWinInit(GetModuleHandleA(nullptr)));
    EXPECT_STREQ(app.m_pszAppName, "modules_app_test");
}

TEST(ModuleStartup, GoodStartAsksForOneOneAndIsBalancedOnExit)
{
    FakeSystem fake;
    ModuleApp app(fake);
    EXPECT_TRUE(app.InitInstance());
    ASSERT_EQ(fake.requested.size(), 1u);
    EXPECT_EQ(fake.requested[0], 0x0101);
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(fake.cleanups, 0);
    app.ExitInstance();
    EXPECT_EQ(fake.cleanups, 1);
    app.ExitInstance();
    EXPECT_EQ(fake.cleanups, 1);
}

TEST(ModuleStartup, FailingStartShowsTheMessageOnceAndRefuses)
{
    FakeSystem fake;
    fake.startResult = WSASYSNOTREADY;
    ModuleApp app(fake);
    AfxWinInit(GetModuleHandleA(nullptr));
    EXPECT_FALSE(app.InitInstance());
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].first, FailureText);
    EXPECT_EQ(fake.messages[0].second, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(fake.cleanups, 0);  // nothing was started
    app.ExitInstance();
    EXPECT_EQ(fake.cleanups, 0);
}

TEST(ModuleStartup, AnyOtherVersionIsGivenBackAndRefused)
{
    for (WORD version : { MAKEWORD(2, 2), MAKEWORD(1, 0), MAKEWORD(2, 1), MAKEWORD(0, 1) }) {
        FakeSystem fake;
        fake.offeredVersion = version;
        ModuleApp app(fake);
        AfxWinInit(GetModuleHandleA(nullptr));
        EXPECT_FALSE(app.InitInstance()) << version;
        EXPECT_EQ(fake.cleanups, 1) << version;
        ASSERT_EQ(fake.messages.size(), 1u) << version;
        EXPECT_EQ(fake.messages[0].first, FailureText);
        app.ExitInstance();
        EXPECT_EQ(fake.cleanups, 1) << version;  // not given back twice
    }
}

TEST(ModuleStartup, RealMessageBoxIsTitledWithTheApplicationName)
{
    FakeSockets sockets;  // the real message box
    sockets.startResult = WSAVERNOTSUPPORTED;
    ModuleApp app(sockets);
    AfxWinInit(GetModuleHandleA(nullptr));
    MessageBoxCatcher catcher;
    EXPECT_FALSE(app.InitInstance());
    ASSERT_EQ(catcher.boxes.size(), 1u);
    EXPECT_EQ(catcher.boxes[0].caption, "modules_app_test");
    EXPECT_EQ(catcher.boxes[0].text, FailureText);
    EXPECT_TRUE(catcher.boxes[0].exclamationIcon);
    EXPECT_EQ(catcher.boxes[0].buttons, 1);
}

TEST(ModuleEntry, RefusedAttachThenLoaderDetachLeavesSocketsAlone)
{
    FakeSystem fake;
    fake.startResult = WSASYSNOTREADY;
    ModuleApp app(fake);
    HINSTANCE self = GetModuleHandleA(nullptr);
    EXPECT_FALSE(AfxDllMain(self, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_TRUE(AfxDllMain(self, DLL_PROCESS_DETACH, nullptr));
    EXPECT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.cleanups, 0);
}

TEST(ModuleEntry, AcceptedAttachIsBalancedAtProcessDetachOnly)
{
    FakeSystem fake;
    ModuleApp app(fake);
    HINSTANCE self = GetModuleHandleA(nullptr);
    EXPECT_TRUE(AfxDllMain(self, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_TRUE(AfxDllMain(self, DLL_THREAD_DETACH, nullptr));
    EXPECT_EQ(fake.cleanups, 0);
    EXPECT_TRUE(AfxDllMain(self, DLL_PROCESS_DETACH, nullptr));
    EXPECT_EQ(fake.cleanups, 1);
    EXPECT_TRUE(fake.messages.empty());
}

TEST(ModuleEntry, SocketsCleanupAtUnloadButNotAtProcessTermination)
{
    FakeSystem fake;
    ModuleApp app(fake);
    HINSTANCE self = GetModuleHandleA(nullptr);
    // Process termination (lpReserved non-null): other threads are gone and
    // the loader lock is held; Windows Sockets must not be called.
    ASSERT_TRUE(AfxDllMain(self, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_TRUE(AfxDllMain(self, DLL_PROCESS_DETACH, reinterpret_cast<LPVOID>(1)));
    EXPECT_EQ(fake.cleanups, 0);
    // An unload by FreeLibrary (lpReserved null) balances the start-up, also
    // after a termination detach was seen before.
    ASSERT_TRUE(AfxDllMain(self, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_TRUE(AfxDllMain(self, DLL_PROCESS_DETACH, nullptr));
    EXPECT_EQ(fake.cleanups, 1);
    EXPECT_EQ(fake.requested.size(), 2u);
}

}  // namespace
