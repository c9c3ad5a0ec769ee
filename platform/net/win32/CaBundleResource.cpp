// The built-in CA bundle, read from the program's RCDATA resource
// "CACERTS.PEM" (a DLL that calls this finds the program's).
#include "platform/net/CaBundle.h"

#include <windows.h>

std::string net::builtInCaBundle()
{
    HRSRC found = FindResourceA(nullptr, "cacerts.pem", MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(nullptr, found);
    const DWORD size = SizeofResource(nullptr, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || size == 0) return {};
    return std::string(static_cast<const char*>(data), size);
}
