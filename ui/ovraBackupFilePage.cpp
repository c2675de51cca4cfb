// The restore path's file list: one row per backup file, newest first.
#include "ui/ovraBackupFilePage.h"

#include "platform/ovraInstance.h"
#include "backup/ovraBackupManager.h"
#include "platform/ovraFileHandle.h"
#include "platform/ovraAssert.h"
#include "ui/ovraControlLook.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace ovra {

namespace {

const int kProgramIcon = 107;

struct Column {
    const char* text;
    int width;
};
const Column kColumns[] = {{"Name", 426}, {"Date", 162}, {"Size", 100}};

void SetCellText(HWND list, int item, int column, const char* text)
{
    LVITEMA cell = {};
    cell.iSubItem = column;
    cell.pszText = const_cast<char*>(text);
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell));
}

BackupFilePage::BackupFileInfo* RowInfo(HWND list, int item)
{
    LVITEMA row = {};
    row.mask = LVIF_PARAM;
    row.iItem = item;
    if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&row)))
        return nullptr;
    return reinterpret_cast<BackupFilePage::BackupFileInfo*>(row.lParam);
}

// A row's record with its own copy of the name; released by ReleaseInfo.
struct InfoDeleter {
    void operator()(BackupFilePage::BackupFileInfo* info) const
    {
        delete[] info->pszName;
        delete info;
    }
};
using InfoPtr = std::unique_ptr<BackupFilePage::BackupFileInfo, InfoDeleter>;

InfoPtr ReadInfo(const char* path, const std::string& name)
{
    FileHandle file(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.IsOpen())
        return nullptr; // removed meanwhile, no access, or held open elsewhere
    InfoPtr info(new BackupFilePage::BackupFileInfo{nullptr, FILETIME{0, 0}, 0});
    info->pszName = new char[name.size() + 1];
    std::memcpy(info->pszName, name.c_str(), name.size() + 1);
    if (!GetFileTime(file.Get(), &info->ftCreated, nullptr, nullptr))
        info->ftCreated = FILETIME{0, 0};
    info->nSize = GetFileSize(file.Get(), nullptr);
    return info;
}

} // namespace

BackupFilePage::BackupFilePage() : m_hImageList(nullptr), m_hWndList(nullptr)
{
}

BackupFilePage::~BackupFilePage()
{
}

bool BackupFilePage::OnMessage(UINT msg, WPARAM, LPARAM)
{
    switch (msg) {
    case WM_CREATE:
        OnCreate();
        return true;
    case WM_DESTROY:
        OnDestroy();
        return true;
    default:
        return false;
    }
}

void BackupFilePage::OnCreate()
{
    m_hImageList = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 0);
    HICON icon = LoadIconA(g_hInstance, MAKEINTRESOURCEA(kProgramIcon)); // shared: not destroyed
    if (icon)
        ImageList_AddIcon(m_hImageList, icon);

    // Never drawn: the name a screen reader gives the list.
    m_hWndList = CreateWindowExA(0, WC_LISTVIEWA, "Backup files", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL,
                                 0, 0, kWidth, kHeight, m_hWndPage, nullptr, g_hInstance, nullptr);
    OVRA_ASSERT(m_hWndList, "ovraBackupFilePage");
    // The list view owns the image list from here on and destroys it with itself.
    SendMessageA(m_hWndList, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(m_hImageList));

    for (int i = 0; i < 3; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(kColumns[i].text);
        column.cx = kColumns[i].width;
        SendMessageA(m_hWndList, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    ApplyLook();
}

void BackupFilePage::ApplyLook()
{
    ControlLook::List(m_hWndList);
}

void BackupFilePage::OnDestroy()
{
    // Rows still listed when the program ends give their records back here;
    // the list view is destroyed after its parent's WM_DESTROY.
    OnExit();
}

void BackupFilePage::OnEnter()
{
    BackupManager store;
    std::vector<std::string> names;
    store.GetBackupList(names);
    char folder[2048];
    BackupManager::GetBackupDirectory(folder);
    if (folder[0] == '\0')
        return; // no usable folder: never look for backups relative to the current directory

    for (const std::string& name : names) {
        char path[2048 + MAX_PATH];
        const int written = std::snprintf(path, sizeof(path), "%s%s", folder, name.c_str());
        if (written < 0 || static_cast<size_t>(written) >= sizeof(path))
            continue;
        InfoPtr info = ReadInfo(path, name);
        if (!info)
            continue;

        std::string shown = name;
        const size_t dot = shown.rfind('.');
        if (dot != std::string::npos)
            shown.erase(dot);

        LVITEMA row = {};
        row.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        row.iItem = static_cast<int>(SendMessageA(m_hWndList, LVM_GETITEMCOUNT, 0, 0));
        row.pszText = const_cast<char*>(shown.c_str());
        row.iImage = 0;
        row.lParam = reinterpret_cast<LPARAM>(info.get());
        const int item = static_cast<int>(SendMessageA(m_hWndList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row)));
        if (item < 0)
            continue;
        const BackupFileInfo* owned = info.release(); // the row owns it now

        // The creation time is shown as a date as stored, without moving it
        // to local time.
        SYSTEMTIME created = {};
        char date[64] = "";
        if (FileTimeToSystemTime(&owned->ftCreated, &created))
            GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &created, nullptr, date, sizeof(date));
        SetCellText(m_hWndList, item, 1, date);

        char size[32];
        std::snprintf(size, sizeof(size), "%d bytes", static_cast<int>(owned->nSize));
        SetCellText(m_hWndList, item, 2, size);
    }
    SendMessageA(m_hWndList, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(&BackupFilePage::CompareBackup));
}

void BackupFilePage::OnExit()
{
    if (!m_hWndList)
        return;
    const int count = static_cast<int>(SendMessageA(m_hWndList, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        if (BackupFileInfo* info = RowInfo(m_hWndList, i))
            InfoDeleter()(info);
    }
    SendMessageA(m_hWndList, LVM_DELETEALLITEMS, 0, 0);
}

bool BackupFilePage::ChooseBackupFile(std::string& name)
{
    const int item = static_cast<int>(SendMessageA(m_hWndList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                   MAKELPARAM(LVNI_SELECTED, 0)));
    if (item < 0)
        return false;
    const BackupFileInfo* info = RowInfo(m_hWndList, item);
    if (!info)
        return false;
    name = info->pszName;
    return true;
}

int CALLBACK BackupFilePage::CompareBackup(LPARAM a, LPARAM b, LPARAM)
{
    const auto* first = reinterpret_cast<const BackupFileInfo*>(a);
    const auto* second = reinterpret_cast<const BackupFileInfo*>(b);
    return -CompareFileTime(&first->ftCreated, &second->ftCreated); // later time first
}

} // namespace ovra
