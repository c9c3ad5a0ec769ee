// The server's questions: the fields of an input box request ("inbx",
// "inbm", "inbp") and of a message box request ("msgb", "msbm"), and the
// box types the client agrees to show.
#pragma once

#include <string>
#include <vector>

struct InputRequest {
    int id = 0;
    std::wstring title;
    std::wstring prompt;
    std::wstring defaultText;
};

struct MessageRequest {
    int id = 0;
    std::wstring caption;
    std::wstring text;
    unsigned type = 0; // the message box style, already made safe
};

// Message box style bits a server may not use: a system-modal box, a box
// for a service, one shown on the default desktop only. The box stays owned
// by the main window and modal to it.
constexpr unsigned kMessageBoxSystemModal = 0x00001000;
constexpr unsigned kMessageBoxDefaultDesktopOnly = 0x00020000;
constexpr unsigned kMessageBoxServiceNotification = 0x00200000;
constexpr unsigned kMessageBoxForbidden =
    kMessageBoxSystemModal | kMessageBoxDefaultDesktopOnly | kMessageBoxServiceNotification;

// From the request's fields (id, then the texts in UTF-8); missing fields
// are empty, a missing type is 0 (OK only).
InputRequest readInputRequest(const std::vector<std::string>& fields);
MessageRequest readMessageRequest(const std::vector<std::string>& fields);

// An input box's answer as the server receives it: line breaks as CR LF.
std::wstring inputAnswerText(const std::wstring& edited);
