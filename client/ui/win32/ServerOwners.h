// The window program's owners of the server's commands. The main window's
// own commands ("lcmd", "focuschat", "clng") and links ("webu") are handled
// here; the other owners (history, menus, boxes, sound, downloads, games)
// join as they are built and keep the defaults, which do nothing, until then.
#pragma once

#include "client/net/ServerCommandHandler.h"

class MainWindow;

class ServerOwners : public ServerCommandHandler {
public:
    explicit ServerOwners(MainWindow& window) : window_(window) {}

    void windowCommand(int id) override;
    void focusChat(const std::string& argument) override;
    void changeLanguage(const std::string& name) override;
    void openLink(const std::string& url) override;

private:
    MainWindow& window_;
};
