// The built-in presentation records as RCDATA resources of the program.
#include "client/ui/history/PresentationDefaults.h"

#include <windows.h>

#include "common/utf8.h"

std::optional<std::string> builtInResource(const std::string& name)
{
    const std::wstring wide = common::utf8ToWide(name);
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, wide.c_str(), MAKEINTRESOURCEW(10)); // RT_RCDATA
    if (!found) return std::nullopt;
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return std::nullopt;
    return std::string(static_cast<const char*>(bytes), SizeofResource(module, found));
}
