// The menus' replies over the process's connection.
#pragma once

#include "client/net/Connection.h"
#include "client/ui/menu/MenuOwner.h"

class ConnectionMenuReplies : public MenuReplies {
public:
    void choice(int menuId, int index, const std::string& tag) override { theConnection().sendMenuChoice(menuId, index, tag); }
    void cancel(int menuId) override { theConnection().sendMenuCancel(menuId); }
    void menuKey(int code, int menuId, int index, const std::string& tag) override
    {
        theConnection().sendMenuItemKey(code, menuId, index, tag);
    }
    void key(int code) override { theConnection().sendKey(code); }
};
