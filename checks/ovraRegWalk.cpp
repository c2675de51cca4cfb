#include "checks/ovraRegWalk.h"

#include "platform/ovraAssert.h"
#include "platform/ovraCodePage.h"
#include "platform/ovraPathViews.h"
#include "platform/ovraRegKey.h"

#include <utility>

namespace ovra {

namespace {

bool ReadCount(HKEY key, DWORD* subkeys, DWORD* values)
{
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, subkeys, nullptr, nullptr, values, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS;
}

} // namespace

// Names and data are read with the wide functions and turned into code-page
// text here, so that an entry the code page cannot hold exactly is skipped
// like one whose call fails: its look-alike text names something else.
void RegWalk::Values(HKEY root, const char* path, Data what, const std::function<void(RegValue&)>& visit)
{
    RegKey key;
    if (!key.Open(root, path, KEY_READ))
        return;
    DWORD count = 0;
    if (!ReadCount(key.Get(), nullptr, &count))
        return;
    wchar_t wideName[kRegTextSize];
    wchar_t wideData[kRegTextSize];
    char name[kRegTextSize];
    char data[kRegTextSize];
    for (DWORD index = 0; index < count; ++index) {
        DWORD nameLength = kRegTextSize;
        DWORD dataLength = sizeof(wideData);
        DWORD type = REG_NONE;
        const LONG rc = what == Data::kNone
                            ? RegEnumValueW(key.Get(), index, wideName, &nameLength, nullptr, nullptr, nullptr, nullptr)
                            : RegEnumValueW(key.Get(), index, wideName, &nameLength, nullptr, &type,
                                            reinterpret_cast<BYTE*>(wideData), &dataLength);
        if (rc != ERROR_SUCCESS || !CodePage::ToAnsiText(wideName, nameLength, name, kRegTextSize))
            continue;
        DWORD length = 0;
        if (what == Data::kTypeAndData &&
            !RegText::FromWide(type, reinterpret_cast<const BYTE*>(wideData), dataLength, data, length))
            continue;
        RegValue value{name, type, data, length};
        PathViews::Forget();
        visit(value);
    }
}

void RegWalk::Subkeys(HKEY root, const char* path, const std::atomic<bool>* cancel,
                      const std::function<void(HKEY parent, const char* name)>& visit)
{
    RegKey key;
    if (!key.Open(root, path, KEY_READ))
        return;
    DWORD count = 0;
    if (!ReadCount(key.Get(), &count, nullptr))
        return;
    wchar_t wideName[kRegTextSize];
    char name[kRegTextSize];
    for (DWORD index = 0; index < count; ++index) {
        if (cancel && cancel->load())
            return;
        DWORD nameLength = kRegTextSize;
        if (RegEnumKeyExW(key.Get(), index, wideName, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS ||
            !CodePage::ToAnsiText(wideName, nameLength, name, kRegTextSize))
            continue;
        PathViews::Forget();
        visit(key.Get(), name);
    }
}

void RegWalk::Report(const Job& job, JobStatus& status, std::vector<JobResult>& results, HKEY root,
                     const char* keyPath, const char* name, std::string problem, std::string section,
                     std::string value, int32_t kind)
{
    // A record is shown only when the backup can save what it names and put
    // it back the same: no name or string data the code page cannot hold.
    if (!RegText::EntryFitsCodePage(root, keyPath, name, kind == kKindKey))
        return;
    JobResult record;
    record.hRoot = RootValue(root);
    record.sKeyPath = keyPath;
    record.sName = name;
    record.sProblem = std::move(problem);
    record.sSection = std::move(section);
    record.sValue = std::move(value);
    record.nJobId = job.m_nId;
    record.nKind = kind;
    record.bSelected = true;
    results.push_back(std::move(record));
    ++status.nCount;
}

uint32_t RegWalk::RootValue(HKEY root)
{
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(root));
}

const char* RegWalk::RootName(HKEY root)
{
    if (root == HKEY_CLASSES_ROOT)
        return "HKEY_CLASSES_ROOT";
    if (root == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER";
    OVRA_ASSERT(root == HKEY_LOCAL_MACHINE, "ovraRegWalk");
    return "HKEY_LOCAL_MACHINE";
}

std::string RegWalk::Section(HKEY root, const char* keyPath)
{
    return RegText::Display("%s\\%s", RootName(root), keyPath);
}

} // namespace ovra
