// The one message pump of the user-interface thread.
#include "ui/MessagePump.h"
#include "ui/FCDialog.h"

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Not ours to take: the outer loop must still see it.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (FCModelessDialog::takeDialogMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
