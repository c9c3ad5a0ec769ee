// The window program's history owners under Wine: server messages carried
// to the GUI thread, the saved forms of the history (text, RTF, another
// view), and flashing.
#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "client/core/CoreTestEnv.h"
#include "client/ui/win32/MainWindow.h"
#include "client/ui/win32/ServerOwners.h"
#include "client/ui/win32/Win32FrontEnd.h"
#include "client/ui/win32/WindowOwners.h"

namespace {

// Runs the work on another thread while this one, the GUI thread, serves
// the calls it sends here.
void fromAnotherThread(const std::function<void()>& work)
{
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    MSG msg;
    while (!done) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    worker.join();
    // What it queued without waiting, and the history's turn after it.
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

class SilentSpeech : public SpeechOutput {
public:
    void say(const std::wstring& text, bool interrupt) override { spoken.push_back((interrupt ? L"! " : L"") + text); }
    void braille(const std::wstring&) override {}
    std::vector<std::wstring> spoken;
};

class WindowOwnersTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        LoadLibraryW(L"riched20.dll");
        MainWindow::registerClass(GetModuleHandleW(nullptr));
    }
    void SetUp() override
    {
        setFrontEnd(&front);
        settings().userConfirmOnExit = false;
        setDefaultSettings();
        ASSERT_TRUE(window.create(GetModuleHandleW(nullptr)));
        front.setMainWindow(window.handle());
        owners.loadPresentation();
        server.setHistory(&owners.history());
    }
    void TearDown() override
    {
        if (IsWindow(window.handle())) DestroyWindow(window.handle());
        setFrontEnd(nullptr);
    }

    CoreTestEnv env;
    Win32FrontEnd front;
    MainWindow window;
    SilentSpeech speech;
    HistoryControl control{window};
    WindowOwners owners{window, control, speech};
    ServerOwners server{window};
};

} // namespace

TEST_F(WindowOwnersTest, ServerMessagesAreShownAndSavedInEveryForm)
{
    // From another thread, as the connection thread sends them.
    fromAnotherThread([this] {
        server.historyMessage(2, L"caf\u00e9 on two", false);
        server.historyMessage(1, std::wstring(L"\x11" L"game\x0C over"), true);
    });
    ASSERT_EQ(owners.history().model().messages().size(), 2u);

    const std::string text = env.userFile("history.txt"), rtf = env.userFile("history.rtf"),
                      view = env.userFile("view1.txt");
    ASSERT_TRUE(owners.writeView(text, 0, false));
    EXPECT_EQ(CoreTestEnv::read(text), "\r\ncaf\xC3\xA9 on two\r\ngame over");
    ASSERT_TRUE(owners.writeView(rtf, 0, true));
    const std::string saved = CoreTestEnv::read(rtf);
    // "\\urtf": RTF in the UTF-8 code page.
    EXPECT_EQ(saved.rfind("{\\urtf", 0), 0u) << saved.substr(0, 40);
    EXPECT_NE(saved.find("game"), std::string::npos);
    EXPECT_NE(saved.find("\\b"), std::string::npos); // the bold segment
    // View 1 (0x083) holds channel 1 only; its file keeps the message as
    // received.
    ASSERT_TRUE(owners.writeView(view, 1, false));
    EXPECT_EQ(CoreTestEnv::read(view), "\x11game\x0C over\r\n");
    EXPECT_FALSE(owners.writeView(env.userFile("no/such/folder/x.txt"), 0, false));

    // The presentation was written for the selected entry.
    EXPECT_TRUE(std::filesystem::exists(CoreTestEnv::fs(env.userFile("channels0.ini"))));
    EXPECT_TRUE(std::filesystem::exists(CoreTestEnv::fs(env.userFile("views0.ini"))));
}

TEST_F(WindowOwnersTest, HistoryCommandsThroughTheWindow)
{
    owners.history().add(L"first", 3);
    owners.history().add(L"second", 3);
    window.setOwners(&owners);
    // Alt+3 chooses view 3 and speaks its name; Page Up reviews.
    SendMessageW(window.handle(), WM_COMMAND, 2903, 0);
    EXPECT_EQ(owners.history().model().currentView(), 3);
    EXPECT_EQ(speech.spoken.back(), L"! view3");
    owners.reviewHistory(VK_NEXT, false, true, false);
    EXPECT_EQ(speech.spoken.back(), L"! second");
    SendMessageW(window.handle(), WM_COMMAND, 2027, 0); // copy view
    EXPECT_EQ(speech.spoken.back(), L"! copied");
    SendMessageW(window.handle(), WM_COMMAND, 2030, 0); // clear
    EXPECT_TRUE(owners.history().model().messages().empty());
    EXPECT_EQ(owners.historyControl().text(), L"");
    window.setOwners(nullptr);
}
