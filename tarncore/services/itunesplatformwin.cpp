#include "tarncore/services/itunesplatformwin.h"

#include "tarncore/services/itunesinteract.h"

#include <QDir>

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <vector>

namespace Tarn {

namespace {

HKEY rootKey(ItunesPlatform::RegistryRoot root)
{
    switch (root) {
    case ItunesPlatform::ClassesRoot: return HKEY_CLASSES_ROOT;
    case ItunesPlatform::LocalMachine: return HKEY_LOCAL_MACHINE;
    case ItunesPlatform::CurrentUser: return HKEY_CURRENT_USER;
    }
    return HKEY_CLASSES_ROOT;
}

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

// COM for the duration of one call on this thread.
class ComScope
{
public:
    ComScope() : result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope()
    {
        if (SUCCEEDED(result))
            CoUninitialize();
    }
    // RPC_E_CHANGED_MODE: COM is already up on this thread in another mode.
    bool ok() const { return SUCCEEDED(result) || result == RPC_E_CHANGED_MODE; }

private:
    HRESULT result;
};

HRESULT invoke(IDispatch *object, const wchar_t *member, WORD flags, VARIANT *args, UINT argCount, VARIANT *result)
{
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(member);
    HRESULT hr = object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    DISPPARAMS params = {args, nullptr, argCount, 0};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
}

HRESULT createApplication(IDispatch **application)
{
    CLSID clsid;
    const QString classId = QString::fromLatin1(ItunesInteract::ApplicationClassId);
    HRESULT hr = CLSIDFromString(const_cast<LPOLESTR>(wide(classId)), &clsid);
    if (FAILED(hr))
        return hr;
    return CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                            reinterpret_cast<void **>(application));
}

} // namespace

QVariant ItunesPlatformWin::registryValue(RegistryRoot root, const QString &key, const QString &name) const
{
    HKEY handle = nullptr;
    if (RegOpenKeyExW(rootKey(root), wide(key), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return QVariant();
    const wchar_t *valueName = name.isEmpty() ? nullptr : wide(name);
    DWORD type = 0;
    DWORD size = 0;
    QVariant result;
    if (RegQueryValueExW(handle, valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && size > 0) {
        std::vector<BYTE> buffer(size + sizeof(wchar_t));
        if (RegQueryValueExW(handle, valueName, nullptr, &type, buffer.data(), &size) == ERROR_SUCCESS) {
            if (type == REG_SZ || type == REG_EXPAND_SZ) {
                result = QString::fromWCharArray(reinterpret_cast<const wchar_t *>(buffer.data()));
            } else if (type == REG_DWORD && size >= sizeof(DWORD)) {
                result = uint(*reinterpret_cast<const DWORD *>(buffer.data()));
            }
        }
    }
    RegCloseKey(handle);
    return result;
}

bool ItunesPlatformWin::fileExists(const QString &path) const
{
    return !path.isEmpty()
        && GetFileAttributesW(wide(QDir::toNativeSeparators(path))) != INVALID_FILE_ATTRIBUTES;
}

QString ItunesPlatformWin::fileVersion(const QString &executable) const
{
    const QString native = QDir::toNativeSeparators(executable);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(wide(native), &ignored);
    if (size == 0)
        return QString();
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(wide(native), 0, size, data.data()))
        return QString();
    VS_FIXEDFILEINFO *info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void **>(&info), &length) || !info)
        return QString();
    return QStringLiteral("%1.%2.%3.%4")
        .arg(HIWORD(info->dwFileVersionMS))
        .arg(LOWORD(info->dwFileVersionMS))
        .arg(HIWORD(info->dwFileVersionLS))
        .arg(LOWORD(info->dwFileVersionLS));
}

bool ItunesPlatformWin::isProcessRunning(const QString &executableName) const
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry))
        found = executableName.compare(QString::fromWCharArray(entry.szExeFile), Qt::CaseInsensitive) == 0;
    CloseHandle(snapshot);
    return found;
}

QString ItunesPlatformWin::roamingAppDataDir() const
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)))
        return QString();
    return QDir::fromNativeSeparators(QString::fromWCharArray(path));
}

QLocale ItunesPlatformWin::userDefaultLocale() const
{
    return ItunesInteract::localeFromLanguageId(GetUserDefaultLangID());
}

qint32 ItunesPlatformWin::addFileToLibrary(const QString &file)
{
    ComScope com;
    if (!com.ok())
        return E_FAIL;
    IDispatch *application = nullptr;
    HRESULT hr = createApplication(&application);
    if (FAILED(hr))
        return hr;

    VARIANT playlist;
    VariantInit(&playlist);
    hr = invoke(application, L"LibraryPlaylist", DISPATCH_PROPERTYGET, nullptr, 0, &playlist);
    if (SUCCEEDED(hr) && playlist.vt == VT_DISPATCH && playlist.pdispVal) {
        VARIANT path;
        VariantInit(&path);
        path.vt = VT_BSTR;
        path.bstrVal = SysAllocString(wide(QDir::toNativeSeparators(file)));
        VARIANT status;
        VariantInit(&status);
        hr = invoke(playlist.pdispVal, L"AddFile", DISPATCH_METHOD, &path, 1, &status);
        VariantClear(&status);
        VariantClear(&path);
    } else if (SUCCEEDED(hr)) {
        hr = E_NOINTERFACE;
    }
    VariantClear(&playlist);
    application->Release();
    return hr;
}

bool ItunesPlatformWin::quitApplication()
{
    ComScope com;
    if (!com.ok())
        return false;
    IDispatch *application = nullptr;
    if (FAILED(createApplication(&application)))
        return false;
    const HRESULT hr = invoke(application, L"Quit", DISPATCH_METHOD, nullptr, 0, nullptr);
    application->Release();
    return SUCCEEDED(hr);
}

} // namespace Tarn
