// The server's input boxes: the "input" and "inputml" dialogs, run on the
// GUI thread whatever thread asks.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Shows the dialog ("inputml" when multiline) owned by `owner`, with the
// title as caption, the prompt, the default text in the edit (masked with
// "*" for a password) and OK and Cancel labelled from the language file.
// True with the edit's whole text in `result` when OK was pressed. Runs on
// the GUI thread through the synchronous GUI-thread call; the caller waits.
// `opened` is called on the GUI thread with true before the dialog shows
// and false after it closed.
bool InputBox(std::wstring& result, HWND owner, const std::wstring& title, const std::wstring& prompt,
              const std::wstring& defaultText, bool multiline, bool password,
              const std::function<void(bool)>& opened = {});
