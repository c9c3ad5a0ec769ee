// NVDA (engine 2) without NVDA's own client library: the text is raised as a
// UI Automation notification on the client's main window, which NVDA reads
// out as it reads the notifications of any application.
//
// Why notifications: NVDA's own client library would be a third-party DLL
// to ship and keep in step with NVDA; the other ways NVDA reads text on its
// own (a live region, the window title, a hidden focused control) disturb
// the window the player works in. A notification carries the text itself,
// and its processing hint covers both kinds of speech: "most recent" makes
// NVDA drop what it is saying (an interruption), "all" queues behind it.
// The function appeared in Windows 10 1709; it is looked up at run time so
// that the client still starts where it is missing (older Windows, Wine),
// and the automatic choice then goes on to the synthesiser.
#include <windows.h>

#include <ole2.h>
#include <uiautomationcore.h>

#include <atomic>
#include <memory>
#include <string>

#include "platform/speech/Speech.h"
#include "platform/speech/SpeechQueue.h"
#include "platform/speech/win32/ComPtr.h"
#include "platform/speech/win32/ScreenReaders.h"
#include "platform/speech/win32/WindowsEngines.h"

namespace {

// NotificationKind and NotificationProcessing as UI Automation documents
// them (the MinGW headers here lack them).
constexpr int kNotificationKindOther = 4;
constexpr int kNotificationProcessingAll = 2;
constexpr int kNotificationProcessingMostRecent = 3;

using RaiseNotification = HRESULT(WINAPI*)(IRawElementProviderSimple*, int, int, BSTR, BSTR);
using HostProviderFromHwnd = HRESULT(WINAPI*)(HWND, IRawElementProviderSimple**);

// The smallest server-side provider UI Automation accepts as the source of
// an event: it stands for the main window and leaves every property to the
// window's own (host) provider, so screen readers see the window as before.
class WindowProvider : public IRawElementProviderSimple {
public:
    WindowProvider(HWND window, HostProviderFromHwnd hostFromHwnd) : window_(window), hostFromHwnd_(hostFromHwnd) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == __uuidof(IRawElementProviderSimple)) {
            *out = static_cast<IRawElementProviderSimple*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE get_ProviderOptions(enum ProviderOptions* options) override
    {
        if (!options) return E_POINTER;
        *options = ProviderOptions_ServerSideProvider;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID, IUnknown** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID, VARIANT* out) override
    {
        if (!out) return E_POINTER;
        VariantInit(out);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_HostRawElementProvider(IRawElementProviderSimple** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        return IsWindow(window_) ? hostFromHwnd_(window_, out) : S_OK;
    }

private:
    virtual ~WindowProvider() = default;

    HWND window_;
    HostProviderFromHwnd hostFromHwnd_;
    std::atomic<ULONG> references_{1};
};

class NvdaEngine : public SpeechEngine {
public:
    NvdaEngine()
        : automation_(LoadLibraryW(L"uiautomationcore.dll")),
          raise_(automation_.get() ? reinterpret_cast<RaiseNotification>(reinterpret_cast<void*>(
                                         GetProcAddress(automation_.get(), "UiaRaiseNotificationEvent")))
                                   : nullptr),
          hostFromHwnd_(automation_.get() ? reinterpret_cast<HostProviderFromHwnd>(reinterpret_cast<void*>(
                                                GetProcAddress(automation_.get(), "UiaHostProviderFromHwnd")))
                                          : nullptr),
          queue_([this] { apartment_ = std::make_unique<ComApartment>(); }, [this] { close(); })
    {
    }

    int number() const override { return SpeechEngineNumber::kNvda; }
    std::wstring name() const override { return L"NVDA"; }

    bool isUsable() override { return raise_ && hostFromHwnd_ && isNvdaRunning(); }

    void setMainWindow(void* window) override
    {
        HWND handle = static_cast<HWND>(window);
        queue_.call([this, handle] {
            provider_.reset();
            if (handle && hostFromHwnd_) provider_ = ProviderRef(new WindowProvider(handle, hostFromHwnd_));
        });
        haveWindow_ = handle != nullptr;
    }

    bool say(std::wstring_view text, bool interrupt) override
    {
        // Before the main window exists there is nothing to raise it on.
        if (!raise_ || !haveWindow_) return false;
        queue_.post(
            [this, text = std::wstring(text), interrupt] {
                if (!provider_) return;
                Bstr display(text.c_str(), static_cast<UINT>(text.size()));
                Bstr activity(L"orvc", 4);
                raise_(provider_.get(), kNotificationKindOther,
                       interrupt ? kNotificationProcessingMostRecent : kNotificationProcessingAll, display.get(),
                       activity.get());
            },
            interrupt);
        return true;
    }

    // NVDA shows what it speaks on its braille display; there is no way to
    // send braille alone without its client library.
    bool braille(std::wstring_view) override { return false; }
    bool setValue(int, int) override { return false; }
    int getValue(int) override { return 0; }
    std::wstring getString(int) override { return {}; }

private:
    struct ProviderRelease {
        void operator()(WindowProvider* p) const { p->Release(); }
    };
    using ProviderRef = std::unique_ptr<WindowProvider, ProviderRelease>;

    void close()
    {
        provider_.reset();
        apartment_.reset();
    }

    ModuleHandle automation_;
    RaiseNotification raise_;
    HostProviderFromHwnd hostFromHwnd_;
    std::unique_ptr<ComApartment> apartment_;
    ProviderRef provider_;
    std::atomic<bool> haveWindow_{false};
    SpeechQueue queue_;
};

} // namespace

std::unique_ptr<SpeechEngine> makeNvdaEngine() { return std::make_unique<NvdaEngine>(); }
