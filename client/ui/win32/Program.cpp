// orvc.exe: the program a player starts. One client per session; the
// process set-up; the main window and the connection dialog; the message
// loop with the two accelerator tables; the shutdown in its fixed order.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "client/app/ClientAudio.h"
#include "client/app/ConnectionSetup.h"
#include "client/app/Startup.h"
#include "client/core/DebugLog.h"
#include "client/net/Connection.h"
#include "client/net/ConnectionThread.h"
#include "client/ui/win32/ConnectionDialog.h"
#include "client/ui/win32/MainWindow.h"
#include "client/ui/win32/MenuList.h"
#include "client/ui/menu/ConnectionMenuReplies.h"
#include "client/ui/speech/SpeechSetup.h"
#include "client/core/Settings.h"
#include "client/ui/win32/MessageLoop.h"
#include "client/ui/win32/ServerOwners.h"
#include "client/ui/history/LayerSpeechOutput.h"
#include "client/ui/win32/SingleInstance.h"
#include "client/ui/win32/WindowOwners.h"
#include "client/ui/win32/Win32FrontEnd.h"
#include "common/format.h"
#include "common/utf8.h"
#include "platform/speech/Speech.h"
#include "platform/speech/SpeechEngine.h"

namespace {

// The longest wait for the connection thread at shutdown. It ends within a
// fraction of a second once the connection is closed; a thread stuck beyond
// this is left to the end of the process.
constexpr DWORD kConnectionThreadWaitMs = 10000;

int fatal(const std::wstring& text, std::initializer_list<DWORD> tones)
{
    for (DWORD hz : tones) Beep(hz, 200);
    MessageBoxW(nullptr, text.c_str(), L"Fatal error", MB_OK | MB_ICONERROR);
    return 1;
}

// The connection thread, waited for at shutdown while GUI-thread calls it
// may still make are served (a window that still exists would otherwise
// keep it waiting for us).
class ConnectionThread {
public:
    void start()
    {
        thread_ = std::thread([this] {
            doConnect2();
            done_ = true;
        });
    }

    void finish()
    {
        if (!thread_.joinable()) return;
        const DWORD started = GetTickCount();
        while (!done_ && GetTickCount() - started < kConnectionThreadWaitMs) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_SENDMESSAGE);
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        if (done_) thread_.join();
        else thread_.detach();
    }

private:
    std::thread thread_;
    std::atomic<bool> done_{false};
};

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    if (HWND running = findRunningClient()) {
        bringForward(running);
        return 0;
    }

    Win32FrontEnd front;
    setFrontEnd(&front);
    if (const int code = initEnvironment(); code != 0) {
        return fatal(common::formatBoundedW(256, L"Unable to initialize application environment.\r\nError code: %d",
                                            code),
                     {1397, 988});
    }
    if (!initSpeech(systemSpeechEngines())) return fatal(L"Unable to initialize UniversalSpeech", {1397, 988, 1760});
    // The sounds ask the window whether a history channel may play; the
    // window comes later, so they ask through these.
    static std::atomic<MainWindow*> soundWindow{nullptr};
    static std::atomic<WindowOwners*> soundParts{nullptr};
    static std::atomic<HistoryControl*> soundHistory{nullptr};
    const int audio = initClientAudio([](int channel) {
        MainWindow* window = soundWindow;
        WindowOwners* parts = soundParts;
        HistoryControl* history = soundHistory;
        if (!window || !parts || !history) return false;
        const bool foreground = window->isActive() || history->boxOpen();
        return parts->history().model().playsSounds(channel, foreground);
    });
    if (audio != 0) {
        const std::wstring text =
            common::formatBoundedW(256, L"Unable to initialize BASS audio library.\r\nError code: %d", audio);
        speechSay(text, 1);
        return fatal(text, {1397, 988, 1175});
    }
    // The shell's handlers of links may be COM objects.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    debugLog("INitializing GUI...");
    if (!MainWindow::registerClass(instance)) {
        debugLog("Couldn't register window class");
        return fatal(L"Couldn't register window class", {});
    }
    debugLog("Initializing extended controls...");
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS
                                      | ICC_HOTKEY_CLASS};
    if (!InitCommonControlsEx(&controls)) return 1;
    debugLog("Initializing RichText control...");
    LoadLibraryW(L"riched20.dll");

    debugLog("Creating GUI...");
    MainWindow window;
    if (!window.create(instance)) {
        debugLog("Couldn't create main window");
        return fatal(L"Couldn't create main window", {});
    }
    front.setMainWindow(window.handle());
    speechSetMainWindow(window.handle());
    debugLog("GUI created OK");

    ServerOwners owners(window);
    LayerSpeechOutput speech;
    HistoryControl historyControl(window);
    WindowOwners parts(window, historyControl, speech);
    window.setOwners(&parts);
    owners.setHistory(&parts.history());
    owners.setHistoryControl(&historyControl);
    MenuList menuList(window, [&parts] { return parts.history().model().presentation().palette; },
                      [] { return speechSetup().plainControls(); });
    ConnectionMenuReplies menuReplies;
    MenuOwner menus(
        menuList, speech, menuReplies,
        [](const std::wstring& sound, int channel) { clientSounds()->playSound(common::wideToUtf8(sound), channel); },
        [] { return speechSetup().selfSpeaking(); });
    menuList.setMenus(&menus);
    window.setMenus(&menus, &menuList);
    parts.setMenus(&menus);
    owners.setMenus(&menus);
    owners.setSounds(clientSounds(), clientCues());
    parts.setSounds(clientSounds());
    soundParts = &parts;
    soundHistory = &historyControl;
    soundWindow = &window;
    prepareConnection(owners);
    ConnectionThread connectionThread;

    clientCues()->welcome();
    debugLog("Entering connection dialog");
    const bool connect = runConnectionDialog(instance, window);
    clientCues()->fadeWelcome();
    if (connect) {
        parts.loadPresentation();
        connectionThread.start();
    }
    debugLog("Exiting connection dialog");
    window.focusControl(FocusTarget::List);

    if (HWND running = findRunningClient(window.handle())) {
        bringForward(running);
        std::_Exit(0);
    }

    debugLog("Entering app main loop");
    HACCEL accel = LoadAcceleratorsW(instance, L"accel");
    HACCEL accel2 = LoadAcceleratorsW(instance, L"accel2");
    const int exitCode = runMessageLoop(window, accel, accel2);

    quittingFlag() = true;
    shutdownClient([&connectionThread] { connectionThread.finish(); });
    closeDebugLog();
    // The loop may have ended with the window still there (the server's
    // "quit", the end of the connection): it goes before the objects it
    // points to, and the connection forgets the owners that go with it.
    if (IsWindow(window.handle())) DestroyWindow(window.handle());
    window.setMenus(nullptr, nullptr);
    soundWindow = nullptr;
    soundParts = nullptr;
    soundHistory = nullptr;
    theConnection().setHandler(nullptr);
    return exitCode;
}
