// An owner of every server command that records each call as one line.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "client/net/ServerCommandHandler.h"
#include "common/utf8.h"

class RecordingHandler : public ServerCommandHandler {
public:
    int menuId = -1;
    std::vector<int> openMenus;
    std::wstring inputAnswer = L"answer";
    bool confirmInput = true;
    int button = 2;
    int soundStateValue = 3;
    int updateChoice = 1;
    std::string moveReply;

    void historyMessage(int channel, const std::wstring& text, bool interrupt) override
    {
        add("history " + std::to_string(channel) + (interrupt ? " interrupt " : " ") + common::wideToUtf8(text));
    }
    void playSound(int number, const std::string& sound) override { add("play " + std::to_string(number) + " " + sound); }
    void loadSound(const std::string& name) override { add("load [" + name + "]"); }
    bool inputBox(const std::vector<std::string>& fields, bool multiline, bool password, std::wstring& answer) override
    {
        add("inputBox " + join(fields) + (multiline ? " multiline" : "") + (password ? " password" : ""));
        answer = inputAnswer;
        return confirmInput;
    }
    int messageBox(const std::vector<std::string>& fields) override
    {
        add("messageBox " + join(fields));
        return button;
    }
    void menuOperation(const std::string& d, int mode) override { add("menu " + std::to_string(mode) + " " + d); }
    void closeMenu(int id) override { add("closeMenu " + std::to_string(id)); }
    void moveInMenu(const std::string& d) override { add("moveInMenu " + d); }
    void menuBoundsFeedback(int a, int b, int c) override
    {
        add("bounds " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c));
    }
    int currentMenuId() override { return menuId; }
    bool menuIsOpen(int id) override
    {
        for (int m : openMenus)
            if (m == id) return true;
        return false;
    }
    void localMenu(int n) override { add("localMenu " + std::to_string(n)); }
    void windowCommand(int id) override { add("command " + std::to_string(id)); }
    void openLink(const std::string& url) override { add("link " + url); }
    void changeLanguage(const std::string& name) override { add("language " + name); }
    std::string moveSearch(const std::string& m) override
    {
        add("moveSearch " + m);
        return moveReply;
    }
    void gameMessage(const std::string& data, bool binary) override { add(std::string(binary ? "binary " : "udta ") + data); }
    void loadGame(const std::string& m) override { add("loadGame " + m); }
    void unloadGame(const std::string& m) override { add("unloadGame " + m); }
    void focusChat(const std::string& t) override { add("focusChat " + t); }
    int soundState(const std::string& name) override
    {
        add("soundState " + name);
        return soundStateValue;
    }
    void download(int id, const std::string& name, std::uint64_t stamp) override
    {
        add("download " + std::to_string(id) + " " + name + " " + std::to_string(stamp));
    }
    void flashWindow(int channel, int count) override { add("flash " + std::to_string(channel) + " " + std::to_string(count)); }
    int proposeUpdate(int id, int flag) override
    {
        add("proposeUpdate " + std::to_string(id) + " " + std::to_string(flag));
        return updateChoice;
    }
    void runUpdater(const std::string& args) override { add("runUpdater " + args); }
    void unknownCommand(const std::string& m) override { add("unknown " + m); }
    void connectingSound(bool on) override { add(on ? "connecting on" : "connecting off"); }
    void connectedSound() override { add("connected"); }

    std::vector<std::string> calls() const
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return calls_;
    }

private:
    static std::string join(const std::vector<std::string>& fields)
    {
        std::string out;
        for (std::size_t i = 0; i < fields.size(); ++i) out += (i ? "|" : "") + fields[i];
        return out;
    }
    void add(const std::string& call)
    {
        std::lock_guard<std::mutex> guard(mutex_);
        calls_.push_back(call);
    }
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};
