// The message loop of the main window.
#include "client/ui/win32/MessageLoop.h"

#include "client/ui/win32/MainWindow.h"

bool translateAccelerators(MSG& message, const MainWindow& window, HACCEL accel, HACCEL accel2)
{
    if (accel && TranslateAcceleratorW(window.handle(), accel, &message)) return true;
    return !window.arcadeMode() && accel2 && TranslateAcceleratorW(window.handle(), accel2, &message);
}

int runMessageLoop(const MainWindow& window, HACCEL accel, HACCEL accel2)
{
    MSG message;
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);
        if (got < 0) return 1;
        if (translateAccelerators(message, window, accel, accel2)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
