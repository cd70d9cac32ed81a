// The stand-in firewall as an in-process COM server. Registered for the firewall's three classes, it
// answers CoCreateInstance in place of the system's firewall. Its policy lives in a text file
// (PALISOR_FIREWALL_POLICY, or palisor-firewall-policy.txt in the Windows directory), read again at
// each manager creation and whenever another process has changed it, and written after each change,
// so every process sees the same firewall.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <filesystem>
#include <memory>
#include <string>

#include "standin/firewall/policy_file.h"
#include "standin/firewall/policy_file_binding.h"
#include "standin/firewall/standin_objects.h"

namespace {

HMODULE module = nullptr;
LONG serverLocks = 0;

std::wstring Environment(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        return {};
    }
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, &value[0], size);
    value.resize(length < size ? length : 0);
    return value;
}

std::wstring PolicyPath() {
    std::wstring path = Environment(L"PALISOR_FIREWALL_POLICY");
    if (!path.empty()) {
        return path;
    }
    wchar_t directory[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return L"C:\\windows\\palisor-firewall-policy.txt";
    }
    return std::wstring(directory) + L"\\palisor-firewall-policy.txt";
}

std::shared_ptr<standin::StandinPolicy>& Policy() {
    static std::shared_ptr<standin::StandinPolicy> policy = [] {
        auto created = std::make_shared<standin::StandinPolicy>();
        // Failures set in the environment hold for the life of the process.
        const std::wstring failures = Environment(L"PALISOR_FIREWALL_FAIL");
        if (!failures.empty()) {
            standin::ParseFailureList(standin::OleToUtf8(failures), created->failures,
                                      standin::FailureInjector::Origin::Environment);
        }
        // PALISOR_STANDIN_READONLY=1 plays a user without administrator rights: every change is
        // refused with access denied, reading works.
        const std::wstring readOnly = Environment(L"PALISOR_STANDIN_READONLY");
        created->writesRefused = !readOnly.empty() && readOnly != L"0";
        return created;
    }();
    return policy;
}

// A new manager reads the policy file afresh; the file may have been named anew since the last one.
void ReloadPolicy() {
    static std::unique_ptr<standin::PolicyFileBinding> binding;
    const std::filesystem::path file(PolicyPath());
    if (!binding || binding->File() != file) {
        binding = std::make_unique<standin::PolicyFileBinding>(file);
        binding->Attach(*Policy());
    }
    binding->Load(*Policy(), false);
    if (!binding->Problems().empty()) {
        OutputDebugStringA(("stand-in firewall policy: " + binding->Problems()).c_str());
    }
}

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(REFCLSID classId) : classId_(classId) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            delete this;
        }
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        if (IsEqualCLSID(classId_, CLSID_NetFwMgr)) {
            ReloadPolicy();
        }
        return standin::CreateInstance(Policy(), classId_, riid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            InterlockedIncrement(&serverLocks);
        } else {
            InterlockedDecrement(&serverLocks);
        }
        return S_OK;
    }

private:
    CLSID classId_;
    LONG references_ = 1;
};

std::wstring ClassKey(REFCLSID classId) {
    wchar_t text[64] = {};
    StringFromGUID2(classId, text, 64);
    return std::wstring(L"Software\\Classes\\CLSID\\") + text;
}

HRESULT SetValue(HKEY key, const wchar_t* name, const std::wstring& value) {
    const LONG result = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    return HRESULT_FROM_WIN32(result);
}

HRESULT RegisterClass(REFCLSID classId, const wchar_t* description, const std::wstring& modulePath) {
    HKEY key = nullptr;
    const std::wstring path = ClassKey(classId) + L"\\InprocServer32";
    LONG result =
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) {
        return SELFREG_E_CLASS;
    }
    HRESULT hr = SetValue(key, nullptr, modulePath);
    if (SUCCEEDED(hr)) {
        // The objects are not guarded against other threads: callers stay in their apartment.
        hr = SetValue(key, L"ThreadingModel", L"Apartment");
    }
    RegCloseKey(key);
    if (FAILED(hr)) {
        return SELFREG_E_CLASS;
    }
    result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, ClassKey(classId).c_str(), 0, KEY_WRITE, &key);
    if (result == ERROR_SUCCESS) {
        SetValue(key, nullptr, description);
        RegCloseKey(key);
    }
    return S_OK;
}

const struct {
    const CLSID* classId;
    const wchar_t* description;
} kClasses[] = {
    {&CLSID_NetFwMgr, L"Palisor stand-in firewall manager"},
    {&CLSID_NetFwOpenPort, L"Palisor stand-in open port"},
    {&CLSID_NetFwAuthorizedApplication, L"Palisor stand-in authorised application"},
};

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID riid, LPVOID* object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (!standin::IsStandinClass(classId)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    auto* factory = new ClassFactory(classId);
    const HRESULT hr = factory->QueryInterface(riid, object);
    factory->Release();
    return hr;
}

STDAPI DllCanUnloadNow() {
    return standin::LiveObjectCount() == 0 && serverLocks == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    wchar_t modulePath[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(module, modulePath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return SELFREG_E_CLASS;
    }
    for (const auto& c : kClasses) {
        const HRESULT hr = RegisterClass(*c.classId, c.description, modulePath);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

STDAPI DllUnregisterServer() {
    HRESULT result = S_OK;
    for (const auto& c : kClasses) {
        const std::wstring key = ClassKey(*c.classId);
        // Without its server entry the class is no longer ours. The class key itself may still hold
        // others' entries (a program identifier, a type library); it goes only when it is empty.
        const LONG inproc = RegDeleteKeyW(HKEY_LOCAL_MACHINE, (key + L"\\InprocServer32").c_str());
        if (inproc != ERROR_SUCCESS && inproc != ERROR_FILE_NOT_FOUND) {
            result = SELFREG_E_CLASS;
        }
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
    }
    return result;
}
