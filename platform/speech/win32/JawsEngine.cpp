// JAWS (engine 0) through its automation object "FreedomSci.JawsApi": text
// goes to JAWS's own speech and braille, so the player hears the client in
// the voice and at the rate they chose in JAWS.
#include <windows.h>

#include <oleauto.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/speech/Speech.h"
#include "platform/speech/SpeechQueue.h"
#include "platform/speech/win32/ComPtr.h"
#include "platform/speech/win32/ScreenReaders.h"
#include "platform/speech/win32/WindowsEngines.h"

namespace {

class JawsEngine : public SpeechEngine {
public:
    JawsEngine() : queue_([this] { apartment_ = std::make_unique<ComApartment>(); }, [this] { close(); }) {}

    int number() const override { return SpeechEngineNumber::kJaws; }
    std::wstring name() const override { return L"JAWS"; }

    bool isUsable() override
    {
        // The object can be made on a machine where JAWS is installed but
        // not running; it speaks only while JAWS runs.
        if (!isJawsRunning()) return false;
        bool ok = false;
        queue_.call([&] { ok = connect(); });
        return ok;
    }

    bool say(std::wstring_view text, bool interrupt) override
    {
        queue_.post(
            [this, text = std::wstring(text), interrupt] {
                if (!connect()) return;
                Bstr spoken(text.c_str(), static_cast<UINT>(text.size()));
                VARIANT args[2];
                // Arguments go in reverse order: the flush flag, then the text.
                VariantInit(&args[0]);
                args[0].vt = VT_BOOL;
                args[0].boolVal = interrupt ? VARIANT_TRUE : VARIANT_FALSE;
                VariantInit(&args[1]);
                args[1].vt = VT_BSTR;
                args[1].bstrVal = spoken.get();
                invoke(L"SayString", args, 2);
            },
            interrupt);
        return true;
    }

    bool braille(std::wstring_view text) override
    {
        // JAWS's script function takes a quoted text; a quote inside would
        // end it early, so it becomes an apostrophe.
        std::wstring call = L"BrailleString(\"";
        for (wchar_t c : text) call.push_back(c == L'"' ? L'\'' : (c < 0x20 ? L' ' : c));
        call += L"\")";
        queue_.post([this, call] {
            if (!connect()) return;
            Bstr function(call.c_str(), static_cast<UINT>(call.size()));
            VARIANT arg;
            VariantInit(&arg);
            arg.vt = VT_BSTR;
            arg.bstrVal = function.get();
            invoke(L"RunFunction", &arg, 1);
        });
        return true;
    }

    bool setValue(int, int) override { return false; }
    int getValue(int) override { return 0; }
    std::wstring getString(int) override { return {}; }

private:
    bool connect()
    {
        if (api_) return true;
        if (!apartment_ || !apartment_->ok()) return false;
        CLSID clsid;
        if (FAILED(CLSIDFromProgID(L"FreedomSci.JawsApi", &clsid))) return false;
        return SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, api_.putVoid()));
    }

    bool invoke(const wchar_t* method, VARIANT* args, UINT count)
    {
        DISPID id = 0;
        LPOLESTR name = const_cast<LPOLESTR>(method);
        if (FAILED(api_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) return false;
        DISPPARAMS params{args, nullptr, count, 0};
        VARIANT result;
        VariantInit(&result);
        const HRESULT hr = api_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result,
                                        nullptr, nullptr);
        VariantClear(&result);
        if (FAILED(hr)) {
            // JAWS was closed or restarted: a new object next time.
            api_.reset();
            return false;
        }
        return true;
    }

    void close()
    {
        api_.reset();
        apartment_.reset();
    }

    std::unique_ptr<ComApartment> apartment_;
    ComPtr<IDispatch> api_;
    SpeechQueue queue_;
};

} // namespace

std::unique_ptr<SpeechEngine> makeJawsEngine() { return std::make_unique<JawsEngine>(); }
