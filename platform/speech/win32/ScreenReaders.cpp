// JAWS and NVDA beside the client: found by their window and process, their
// versions read from their programs, JAWS's settings folder from its layout
// under the user's application data.
#include "platform/speech/win32/ScreenReaders.h"

#include <windows.h>

#include <tlhelp32.h>
#include <winver.h>

#include <cwchar>
#include <vector>

#include "platform/speech/SystemQueries.h"
#include "platform/speech/win32/ComPtr.h"

namespace {

// JAWS's hidden main window, there exactly while JAWS runs.
constexpr const wchar_t* kJawsWindowClass = L"JFWUI2";
constexpr const wchar_t* kNvdaProgram = L"nvda.exe";

DWORD jawsProcess()
{
    HWND window = FindWindowW(kJawsWindowClass, nullptr);
    if (!window) return 0;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

DWORD nvdaProcess()
{
    KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (_wcsicmp(entry.szExeFile, kNvdaProgram) == 0) return entry.th32ProcessID;
    }
    return 0;
}

std::wstring processPath(DWORD pid)
{
    if (pid == 0) return {};
    KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return {};
    std::vector<wchar_t> path(32768);
    DWORD size = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(process.get(), 0, path.data(), &size)) return {};
    return std::wstring(path.data(), size);
}

bool isFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring environmentText(const wchar_t* name)
{
    wchar_t buffer[1024];
    const DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
    return n > 0 && n < 1024 ? std::wstring(buffer, n) : std::wstring();
}

// The first sub-folder of a folder, for a settings language we cannot name.
std::wstring firstSubfolder(const std::wstring& folder)
{
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return {};
    std::wstring name;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.cFileName[0] != L'.') {
            name = found.cFileName;
            break;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return name;
}

} // namespace

std::wstring fileVersionText(const std::wstring& path)
{
    if (path.empty()) return {};
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return {};
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info
        || length < sizeof *info) {
        return {};
    }
    wchar_t text[64];
    std::swprintf(text, 64, L"%u.%u.%u", static_cast<unsigned>(HIWORD(info->dwFileVersionMS)),
                  static_cast<unsigned>(LOWORD(info->dwFileVersionMS)),
                  static_cast<unsigned>(HIWORD(info->dwFileVersionLS)));
    return text;
}

bool isJawsRunning() { return jawsProcess() != 0; }

bool isNvdaRunning() { return nvdaProcess() != 0; }

std::wstring runningJawsVersion() { return fileVersionText(processPath(jawsProcess())); }

std::wstring runningNvdaVersion() { return fileVersionText(processPath(nvdaProcess())); }

std::wstring jawsUserSettingsDirectory()
{
    const std::wstring version = runningJawsVersion();
    const std::wstring appData = environmentText(L"APPDATA");
    if (version.empty() || appData.empty()) return {};
    // JAWS keeps one folder per release: "2019" since it is numbered by
    // year, "17.0" before; under it one folder per language, named by the
    // three-letter abbreviation Windows gives the language ("enu", "deu").
    const std::wstring major = version.substr(0, version.find(L'.'));
    const std::wstring release = major.size() >= 4 ? major : major + L".0";
    const std::wstring settings = appData + L"\\Freedom Scientific\\JAWS\\" + release + L"\\Settings";
    wchar_t abbreviation[16] = L"";
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SABBREVLANGNAME, abbreviation, 16);
    for (wchar_t* c = abbreviation; *c; ++c) *c = static_cast<wchar_t>(towlower(*c));
    std::wstring folder = settings + L"\\" + abbreviation;
    if (!abbreviation[0] || !isFolder(folder)) {
        const std::wstring other = firstSubfolder(settings);
        if (other.empty()) return {};
        folder = settings + L"\\" + other;
    }
    return isFolder(folder) ? folder + L"\\" : std::wstring();
}
