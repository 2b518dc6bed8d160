// SPDX-License-Identifier: Apache-2.0
#include "ComServer.h"

#include "Com.h"
#include "automation/ClassInfo.h"

#include <olectl.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Automation {

namespace {

using Com::wide;

// Per machine: HKEY_CLASSES_ROOT shows these keys to everyone.
constexpr wchar_t Classes[] = L"Software\\Classes";

std::u16string versionText(const ServerModule &module)
{
    return decimal(module.majorVersion) + u'.' + decimal(module.minorVersion);
}

// Creates the key (and those above it) under the machine's classes and sets one
// string value; nullptr names the key's default value.
bool setValue(const std::u16string &key, const wchar_t *name, const std::u16string &value)
{
    HKEY classes = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, Classes, 0, nullptr, 0, KEY_CREATE_SUB_KEY, nullptr,
                        &classes, nullptr) != ERROR_SUCCESS)
        return false;
    HKEY handle = nullptr;
    LSTATUS status = RegCreateKeyExW(classes, wide(key).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                     nullptr, &handle, nullptr);
    RegCloseKey(classes);
    if (status != ERROR_SUCCESS)
        return false;
    const std::wstring data = wide(value);
    status = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(data.c_str()),
                            DWORD((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
    return status == ERROR_SUCCESS;
}

// A key with nothing in it but its presence ("Programmable", "Control").
bool createKey(const std::u16string &key)
{
    HKEY handle = nullptr;
    const std::wstring path = std::wstring(Classes) + L'\\' + wide(key);
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

// Removes the key and everything below it; a key that is not there is no failure.
bool removeKey(const std::u16string &key)
{
    HKEY classes = nullptr;
    LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, Classes, 0, KEY_ALL_ACCESS, &classes);
    if (status != ERROR_SUCCESS)
        return status == ERROR_FILE_NOT_FOUND;
    status = RegDeleteTreeW(classes, wide(key).c_str());
    RegCloseKey(classes);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool writeClassKeys(const ServerModule &module, const ServerClass &cls,
                    const std::u16string &libraryPath)
{
    const ClassInfo &info = cls.table();
    const std::u16string progId = utf16(info.progId);
    const std::u16string classId = utf16(info.classId);
    const std::u16string classKey = u"CLSID\\" + classId;
    bool written = setValue(progId, nullptr, progId) &&
                   setValue(progId + u"\\CLSID", nullptr, classId) &&
                   setValue(classKey, nullptr, utf16(info.className)) &&
                   setValue(classKey + u"\\InprocServer32", nullptr, libraryPath) &&
                   setValue(classKey + u"\\InprocServer32", L"ThreadingModel", u"Apartment") &&
                   setValue(classKey + u"\\ProgID", nullptr, progId) &&
                   setValue(classKey + u"\\TypeLib", nullptr, utf16(module.libId)) &&
                   setValue(classKey + u"\\Version", nullptr, versionText(module)) &&
                   createKey(classKey + u"\\Programmable");
    if (written && info.control)
        written = createKey(classKey + u"\\Control");
    return written;
}

bool removeClassKeys(const ServerClass &cls)
{
    const ClassInfo &info = cls.table();
    const bool classKey = removeKey(u"CLSID\\" + utf16(info.classId));
    return removeKey(utf16(info.progId)) && classKey;
}

::HRESULT registerTypeLibrary(const std::u16string &libraryPath)
{
    std::wstring path = wide(libraryPath);
    ITypeLib *library = nullptr;
    ::HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
    if (FAILED(hr))
        return hr;
    hr = RegisterTypeLib(library, path.data(), nullptr);
    library->Release();
    return hr;
}

// COM objects are deleted by their own Release, never through an interface pointer:
// interfaces have no virtual destructor, by design.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class ClassFactory final : public ::IClassFactory
{
public:
    ClassFactory(ServerModule &module, const ServerClass &cls) : m_module(module), m_class(cls) {}

    bool serves(const ServerClass &cls) const { return &m_class == &cls; }

    ::HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, ::IID_IClassFactory))
            return E_NOINTERFACE;
        *out = static_cast<::IClassFactory *>(this);
        return S_OK;
    }
    // The class objects live as long as the library: LockServer keeps it loaded.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    ::HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        try {
            const Ref<Object> object = m_class.create(m_module.liveObjects);
            IDispatch *made = Com::toDispatch(object);
            if (!made)
                return E_FAIL;
            const ::HRESULT hr = made->QueryInterface(iid, out);
            made->Release();
            return hr;
        } catch (const std::bad_alloc &) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_FAIL;
        }
    }
    ::HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        m_module.locks.fetch_add(lock ? 1 : -1);
        return S_OK;
    }

private:
    ServerModule &m_module;
    const ServerClass &m_class;
};
#pragma GCC diagnostic pop

} // namespace

HRESULT registerServer(const ServerModule &module, const std::u16string &libraryPath)
{
    if (libraryPath.empty())
        return SELFREG_E_CLASS;
    try {
        for (const ServerClass &cls : module.classes) {
            if (!writeClassKeys(module, cls, libraryPath)) {
                unregisterServer(module);
                return SELFREG_E_CLASS;
            }
        }
        if (FAILED(registerTypeLibrary(libraryPath))) {
            unregisterServer(module);
            return SELFREG_E_TYPELIB;
        }
        return S_OK;
    } catch (...) {
        // Out of memory for a key's text: what was written goes again.
        unregisterServer(module);
        return SELFREG_E_CLASS;
    }
}

HRESULT unregisterServer(const ServerModule &module)
{
    try {
        bool removed = true;
        for (const ServerClass &cls : module.classes)
            removed = removeClassKeys(cls) && removed;
        GUID libId;
        if (Com::guidOf(module.libId, libId)) {
            // The type library was registered for the bitness of this very module.
            const SYSKIND kind = sizeof(void *) == 8 ? SYS_WIN64 : SYS_WIN32;
            const ::HRESULT hr = UnRegisterTypeLib(libId, WORD(module.majorVersion),
                                                   WORD(module.minorVersion), LOCALE_NEUTRAL, kind);
            // Not registered is what unregistering wants.
            if (FAILED(hr) && hr != TYPE_E_REGISTRYACCESS && hr != TYPE_E_LIBNOTREGISTERED)
                removed = false;
        }
        return removed ? S_OK : SELFREG_E_CLASS;
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

HRESULT canUnloadNow(const ServerModule &module)
{
    return module.liveObjects.load() == 0 && module.locks.load() == 0 ? S_OK : S_FALSE;
}

std::u16string libraryPathOf(const void *address)
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(address), &module))
        return {};
    try {
        return Com::fromWide(Com::modulePath(module).c_str());
    } catch (...) {
        return {};
    }
}

namespace Com {

HRESULT getClassObject(ServerModule &module, REFCLSID clsid, REFIID iid, void **factory)
{
    if (!factory)
        return E_POINTER;
    *factory = nullptr;
    try {
        // From the first class object on, the server's COM objects count as its objects.
        countObjectsIn(&module.liveObjects);
        const std::string wanted = guidText(clsid);
        for (const ServerClass &cls : module.classes) {
            if (!equalIgnoringCase(utf16(cls.table().classId), utf16(wanted)))
                continue;
            // One class object per class, for as long as the library is loaded.
            static std::mutex mutex;
            static std::vector<std::unique_ptr<ClassFactory>> made;
            const std::lock_guard<std::mutex> hold(mutex);
            for (const auto &existing : made) {
                if (existing->serves(cls))
                    return existing->QueryInterface(iid, factory);
            }
            made.push_back(std::make_unique<ClassFactory>(module, cls));
            return made.back()->QueryInterface(iid, factory);
        }
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

} // namespace Com

} // namespace Automation
