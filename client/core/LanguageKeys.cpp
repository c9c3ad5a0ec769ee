// The list of interface-string keys and the reading of a format's conversions.
#include "client/core/LanguageKeys.h"

namespace {

std::vector<InterfaceKey> buildKeys()
{
    std::vector<InterfaceKey> keys = {
        // Formats, with what the code passes.
        {"winTitle1", "ddd"},        // version 2, 2, 8
        {"winTitle2", "ss"},         // server name, login
        {"errorlogcreation", "s"},   // history log path
        {"soundvolume", "d"},        // percentage
        {"streamsvolume", "d"},      // percentage
        {"downloadingStart", "s"},   // file name
        {"downloadingOk", "s"},      // file name
        {"downloadingFail", "sd"},   // file name, result code
    };
    for (const char* plain : {
             "Cancel", "DwnlAuto", "DwnlLater", "DwnlManu", "DwnlMsg1", "DwnlMsg2", "OK", "about", "about2",
             "about3", "about4", "addchannel", "addview", "askconfbq", "audioOpt", "autolog", "automatic", "back",
             "basecolors", "bold", "chanOpt", "channelname", "channelname2", "chat", "clearHistory",
             "clientlanguage", "confirmquit", "connTitle", "connecterror", "connecterrorprolog", "connection",
             "copied", "copyView", "crash", "crash2", "createaccount", "customize", "disabled",
             "disablemcolors", "disablertfcolors", "disablesounds", "disablestreams", "enabled",
             "enabledownload", "enablelinks", "error", "font", "gameFinished", "genOpt", "history", "isocode",
             "italic", "lbbgcolor", "lbfgcolor", "logfolder", "logfolder2", "login", "lostpassword", "menulbl",
             "name", "no", "noaddchannel", "nodelchannel", "nodelchannel2", "nodelview", "nodelview2",
             "notsupported", "password", "playsnd", "predefcol", "read", "readinterrupt", "rememberpassword",
             "rememberpassword2", "resetDarkModel", "resetLightModel", "resetModelMb", "restoredefaults",
             "restoredefaults1", "rtfFileType", "rtfbgcolor", "sapidisabled", "saveAs", "saveHistory",
             "saveView", "screenreader", "secuOpt", "server", "servername", "servernamealt",
             "servernamealtssl", "servernamessl", "show", "soundcard", "srinflexion", "srlanguage", "srpitch",
             "srrate", "srsubengine", "srvoice", "srvolume", "strikeout", "textcolor", "txtFileType",
             "underline", "useArrows", "view", "viewOpt", "viewname", "viewname2", "yes"}) {
        keys.push_back({plain, ""});
    }
    for (int n = 0; n < 32; ++n) {
        keys.push_back({"channel" + std::to_string(n), ""});
        keys.push_back({"view" + std::to_string(n), ""});
    }
    for (int n = 0; n < 4; ++n) keys.push_back({"chf" + std::to_string(n), ""});
    return keys;
}

} // namespace

const std::vector<InterfaceKey>& interfaceKeys()
{
    static const std::vector<InterfaceKey> keys = buildKeys();
    return keys;
}

std::string formatConversions(std::wstring_view format)
{
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != L'%') continue;
        ++i;
        if (i < format.size() && format[i] == L'%') continue;
        while (i < format.size() && std::wstring_view(L"-+ #0123456789.*hlLqjztwI").find(format[i]) != std::wstring_view::npos) {
            if (format[i] == L'*') out.push_back('*');
            ++i;
        }
        if (i >= format.size()) {
            out.push_back('?');
            break;
        }
        switch (format[i]) {
        case L'd': case L'i': case L'u': case L'o': case L'x': case L'X': case L'c': case L'C':
            out.push_back('d');
            break;
        case L's': case L'S':
            out.push_back('s');
            break;
        case L'e': case L'E': case L'f': case L'F': case L'g': case L'G': case L'a': case L'A':
            out.push_back('f');
            break;
        default:
            out.push_back('?');
            break;
        }
    }
    return out;
}
