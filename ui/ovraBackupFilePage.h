#pragma once

#include "ui/ovraWizardPage.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace ovra {

// Restore path: lists the backup files, newest first, and gives the frame
// the one the user picked.
class BackupFilePage final : public WizardPage {
public:
    struct BackupFileInfo {
        char* pszName;       // owned copy of the file name, with extension
        FILETIME ftCreated;
        DWORD nSize;
    };

    BackupFilePage();
    ~BackupFilePage();

    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void ApplyLook() override;
    void OnCreate();
    void OnDestroy();
    void OnEnter();
    void OnExit();
    bool ChooseBackupFile(std::string& name);
    static int CALLBACK CompareBackup(LPARAM a, LPARAM b, LPARAM unused);

    HIMAGELIST m_hImageList;
    HWND m_hWndList;
    std::string m_strBackupFile;
};

} // namespace ovra
