#include "platform/ovraRegView.h"

#include "platform/ovraCodePage.h"
#include "platform/ovraPathViews.h"
#include "platform/ovraRegKey.h"

#include <cwctype>

namespace ovra {

namespace {

// The ntdll call and record that give a key's own name; not in the SDK
// headers every compiler has, so declared here.
typedef LONG(NTAPI* NtQueryKeyFn)(HANDLE key, int infoClass, PVOID info, ULONG length, PULONG resultLength);
const int kKeyNameInformation = 3;
struct KeyNameInformation {
    ULONG NameLength; // bytes
    WCHAR Name[1];
};

const char kTwinNode[] = "Wow6432Node\\";

bool EqualFolded(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towlower(a[i]) != std::towlower(b[i]))
            return false;
    return true;
}

} // namespace

bool RegView::FullName(HKEY key, std::wstring& name)
{
    static const NtQueryKeyFn queryKey = [] {
        const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        const FARPROC proc = ntdll ? GetProcAddress(ntdll, "NtQueryKey") : nullptr;
        return reinterpret_cast<NtQueryKeyFn>(reinterpret_cast<void (*)()>(proc));
    }();
    if (!queryKey || !key)
        return false;
    ULONG buffer[1024]; // 4 KB, aligned for the record
    ULONG length = 0;
    if (queryKey(key, kKeyNameInformation, buffer, sizeof(buffer), &length) != 0)
        return false;
    const KeyNameInformation* info = reinterpret_cast<const KeyNameInformation*>(buffer);
    if (info->NameLength > sizeof(buffer) - sizeof(ULONG))
        return false;
    name.assign(info->Name, info->NameLength / sizeof(WCHAR));
    return !name.empty();
}

bool RegView::SameKey(HKEY first, HKEY second)
{
    std::wstring a;
    std::wstring b;
    return FullName(first, a) && FullName(second, b) && EqualFolded(a, b);
}

bool RegView::TwinCandidate(HKEY root, const char* path, std::string& twin)
{
    if (root == HKEY_CLASSES_ROOT) {
        twin = std::string(kTwinNode) + path;
        return true;
    }
    if (root != HKEY_LOCAL_MACHINE && root != HKEY_CURRENT_USER)
        return false;
    for (const char* parent : {"Software\\Classes\\", "Software\\"}) {
        if (CodePage::StartsFolded(path, parent)) {
            const size_t length = std::char_traits<char>::length(parent);
            twin = std::string(path, length) + kTwinNode + (path + length);
            return true;
        }
    }
    return false;
}

REGSAM RegView::Native()
{
#ifdef _WIN64
    // The flag would change nothing for a 64-bit program, and it is not
    // free: Wine opens a new classes root for every HKEY_CLASSES_ROOT path
    // opened with a view flag, one more round trip to its server each time.
    return 0;
#else
    // On 32-bit Windows the flag has no meaning; it is left out there.
    return PathViews::TwoViews() ? KEY_WOW64_64KEY : 0;
#endif
}

bool RegView::DeleteSubkey(HKEY key, const char* name)
{
    // RegDeleteKeyA would look the name up in the caller's own view.
    return RegDeleteKeyExA(key, name, Native(), 0) == ERROR_SUCCESS;
}

bool RegView::DeleteSubkey(HKEY key, const wchar_t* name)
{
    return RegDeleteKeyExW(key, name, Native(), 0) == ERROR_SUCCESS;
}

std::vector<std::string> RegView::AreaPaths(HKEY root, const char* path)
{
    std::vector<std::string> paths{path};
    if (!PathViews::TwoViews())
        return paths;
    std::string candidate;
    if (!TwinCandidate(root, path, candidate))
        return paths;
    // The twin's own name first: most keys have none, and it is one quick
    // question. Opening in the 32-bit view is several under Wine, each close
    // among them waiting its turn behind the scan's other closes.
    RegKey named;
    if (!named.Open(root, candidate.c_str(), KEY_READ))
        return paths;
    RegKey twin;
    if (!twin.Open(root, path, KEY_READ | KEY_WOW64_32KEY))
        return paths; // no twin: nothing of 32-bit programs to scan
    RegKey own;
    if (own.Open(root, path, KEY_READ) && SameKey(own.Get(), twin.Get()))
        return paths; // one key seen from both views: scanned once
    if (!SameKey(named.Get(), twin.Get()))
        return paths;
    paths.push_back(candidate);
    return paths;
}

} // namespace ovra
