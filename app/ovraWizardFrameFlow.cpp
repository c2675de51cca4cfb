// The wizard's page flow: every footer button and both scan notices arrive
// as WM_COMMAND and run one handler each; each page switch sets the title,
// the three buttons and shows one page.
#include "app/ovraWizardFrame.h"
#include "app/ovraShell.h"

#include "backup/ovraLiveEntry.h"
#include "platform/ovraFileHandle.h"
#include "platform/ovraFileSecurity.h"
#include "ui/ovraCommandIds.h"

#include <cstdio>
#include <cstring>

namespace ovra {

namespace {

const char kSuccess[] = "All operations have been completed successfully.";

bool IsChecked(HWND radio)
{
    return SendMessageA(radio, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Marks the frame busy for its own lifetime.
class Busy {
public:
    explicit Busy(int& count) : m_nCount(count) { ++m_nCount; }
    ~Busy() { --m_nCount; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    int& m_nCount;
};

} // namespace

int WizardFrame::Message(const char* text, const char* caption, UINT type)
{
    Busy busy(m_nBusy);
    return MessageBoxA(m_hWndWizard, text, caption, type);
}

void WizardFrame::OnCommand(unsigned int id)
{
    // While a question, a repair or a restore is under way every press is
    // ignored; only the scan thread's notices are always taken.
    if (m_nBusy > 0 && id != IDC_SCAN_DONE && id != IDC_SCAN_CANCELLED)
        return;
    switch (id) {
    case IDC_WELCOME_NEXT: OnWelcomeNext(); break;
    case IDC_SCAN_CANCEL: OnProgressTerminate(); break;
    case IDC_RESULT_BACK: OnResultPageBack(); break;
    case IDC_RESULT_REPAIR: OnResultPageRepair(); break;
    case IDC_BACKUP_BACK: OnBackupPageBack(); break;
    case IDC_BACKUP_NEXT: OnBackupPageNext(); break;
    case IDC_RESTORE_BACK: OnRestorePageBack(); break;
    case IDC_RESTORE_NEXT: OnRestorePageNext(); break;
    case IDC_SCAN_DONE: OnScanSuccess(); break;
    case IDC_SCAN_CANCELLED: OnScanFailure(); break;
    case IDC_EXIT: OnWizardExit(); break;
    default: break;
    }
}

// Page switches.

void WizardFrame::ShowWelcomePage()
{
    SetTitle("Welcome to Ovra Hivemend");
    m_btnBack.Disable(m_strBack.c_str());
    m_btnNext.Enable(m_strNext.c_str(), IDC_WELCOME_NEXT);
    m_btnCancel.Enable(m_strCancel.c_str(), IDC_EXIT);
    ShowWindow(m_welcomePage.m_hWndPage, SW_SHOW);
    FocusPage();
}

void WizardFrame::ShowProgressPage()
{
    SetTitle("Working");
    m_btnBack.Disable(m_strBack.c_str());
    m_btnNext.Disable(m_strNext.c_str());
    m_btnCancel.Enable(m_strCancel.c_str(), IDC_SCAN_CANCEL);
    m_progressPage.OnEnter();
    ShowWindow(m_progressPage.m_hWndPage, SW_SHOW);
    FocusPage();
    m_progressPage.OnRun();
}

void WizardFrame::ShowResultPage()
{
    SetTitle("Scan Results");
    m_btnBack.Enable(m_strBack.c_str(), IDC_RESULT_BACK);
    m_btnNext.Enable(m_strRepair.c_str(), IDC_RESULT_REPAIR);
    m_btnCancel.Enable(m_strCancel.c_str(), IDC_EXIT);
    m_resultPage.OnEnter(m_results);
    ShowWindow(m_resultPage.m_hWndPage, SW_SHOW);
    FocusPage();
}

void WizardFrame::ShowBackupFilePage()
{
    SetTitle("Select backup file");
    m_btnBack.Enable(m_strBack.c_str(), IDC_BACKUP_BACK);
    m_btnNext.Enable(m_strNext.c_str(), IDC_BACKUP_NEXT);
    m_btnCancel.Enable(m_strCancel.c_str(), IDC_EXIT);
    m_backupFilePage.OnEnter();
    ShowWindow(m_backupFilePage.m_hWndPage, SW_SHOW);
    FocusPage();
}

void WizardFrame::ShowRestorePage()
{
    SetTitle("Select records to restore");
    m_btnBack.Enable(m_strBack.c_str(), IDC_RESTORE_BACK);
    m_btnNext.Enable(m_strNext.c_str(), IDC_RESTORE_NEXT);
    m_btnCancel.Enable(m_strCancel.c_str(), IDC_EXIT);
    m_resultPage.OnEnter(m_results, &m_restoreNotes);
    ShowWindow(m_resultPage.m_hWndPage, SW_SHOW);
    FocusPage();
}

// Handlers.

void WizardFrame::OnWelcomeNext()
{
    if (IsChecked(m_welcomePage.m_hWndManage)) {
        char folder[2048];
        BackupManager::GetBackupDirectory(folder);
        // On a fresh installation the folder does not exist yet, and the
        // shell would silently open nothing.
        BackupManager::CreateBackupDirectory(folder);
        Shell::Execute(m_hWndWizard, "explore", folder);
        return;
    }
    ShowWindow(m_welcomePage.m_hWndPage, SW_HIDE);
    if (IsChecked(m_welcomePage.m_hWndRestore))
        ShowBackupFilePage();
    else
        ShowProgressPage();
}

void WizardFrame::OnProgressTerminate()
{
    m_progressPage.m_run.Cancel();
}

void WizardFrame::OnScanSuccess()
{
    ShowWindow(m_progressPage.m_hWndPage, SW_HIDE);
    m_progressPage.OnExit();
    // Handed over, not copied: a large scan is held once.
    m_results = std::move(m_progressPage.m_run.m_results);
    m_restoreNotes.clear();
    ShowResultPage();
}

void WizardFrame::OnScanFailure()
{
    m_progressPage.OnExit();
    ShowWindow(m_progressPage.m_hWndPage, SW_HIDE);
    ShowWelcomePage();
}

void WizardFrame::OnResultPageBack()
{
    m_resultPage.OnExit();
    ShowWindow(m_resultPage.m_hWndPage, SW_HIDE);
    ShowWelcomePage();
}

void WizardFrame::OnResultPageRepair()
{
    Busy busy(m_nBusy);
    if (m_results.empty()) {
        Message("There is nothing to repair. Your system will not be modified.", "INFORMATION",
                MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (Message("Do you want to create a backup?", "QUESTION", MB_YESNO | MB_ICONQUESTION) == IDYES) {
        std::string name;
        m_backupManager.GetBackupName(name);
        if (!m_backupManager.WriteBackup(name.c_str(), m_results)) {
            Message("Failed to create a backup file. Your system will not be modified.", "FAILURE",
                    MB_OK | MB_ICONERROR);
            return;
        }
    }
    if (m_executor.DeleteRecords(m_results))
        Message(kSuccess, "SUCCESS", MB_OK | MB_ICONINFORMATION);
    else
        Message("There were some problems while removing unneeded records. You might want to restore a backup "
                "file, if you have created one.",
                "WARNING", MB_OK | MB_ICONWARNING);
    m_resultPage.OnExit();
    ShowWindow(m_resultPage.m_hWndPage, SW_HIDE);
    ShowWelcomePage();
}

void WizardFrame::OnBackupPageBack()
{
    m_backupFilePage.OnExit();
    ShowWindow(m_backupFilePage.m_hWndPage, SW_HIDE);
    ShowWelcomePage();
}

// The chosen backup's records, each ticked unless its entry exists again
// with other data (a program reinstalled since the repair): restoring that
// one would put old data over new, so the user decides.
void WizardFrame::OnBackupPageNext()
{
    Busy busy(m_nBusy);
    if (!m_backupFilePage.ChooseBackupFile(m_backupFilePage.m_strBackupFile))
        return;
    m_results.clear();
    m_restoreNotes.clear();
    m_bRestoreWhole = true;
    m_backupManager.ReadBackup(m_backupFilePage.m_strBackupFile.c_str(), m_results, m_bRestoreWhole);
    FileHandle file;
    if (OpenChosenBackup(file))
        LiveEntry::MarkChanged(file.Get(), m_results, m_restoreNotes,
                               BackupManager::TextOf(m_backupFilePage.m_strBackupFile));
    file.Close();
    if (!m_bRestoreWhole) {
        char text[256];
        std::snprintf(text, sizeof(text),
                      "This backup file is incomplete. Records read from it: %u. Only these can be restored.",
                      static_cast<unsigned>(m_results.size()));
        Message(text, "WARNING", MB_OK | MB_ICONWARNING);
    }
    m_backupFilePage.OnExit();
    ShowWindow(m_backupFilePage.m_hWndPage, SW_HIDE);
    ShowRestorePage();
}

bool WizardFrame::OpenChosenBackup(FileHandle& file)
{
    char path[2048];
    BackupManager::GetBackupDirectory(path);
    const size_t folder = std::strlen(path);
    if (folder == 0 || folder + m_backupFilePage.m_strBackupFile.size() >= sizeof(path))
        return false;
    std::snprintf(path + folder, sizeof(path) - folder, "%s", m_backupFilePage.m_strBackupFile.c_str());
    file.Reset(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsOpen();
}

void WizardFrame::OnRestorePageBack()
{
    m_resultPage.OnExit();
    ShowWindow(m_resultPage.m_hWndPage, SW_HIDE);
    ShowBackupFilePage();
}

void WizardFrame::OnRestorePageNext()
{
    Busy busy(m_nBusy);
    if (Message("Are you sure you want to restore?", "QUESTION", MB_YESNO | MB_ICONWARNING) != IDYES)
        return;

    // A file that cannot be opened (removed meanwhile, or held by another
    // program) is reported and nothing is written. One that another user of
    // this computer could have written is restored only when the user says
    // so: it is held open, unshared, from this check to the last record.
    FileHandle file;
    if (OpenChosenBackup(file) && !FileSecurity::OnlyTrustedWriters(file.Get()) &&
        Message("Another user of this computer could have changed this backup file. Restoring it could write "
                "anything into your registry. Do you want to restore it anyway?",
                "QUESTION", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        return;
    const bool restored =
        file.IsOpen() && m_executor.RestoreRecords(file.Get(), m_results, m_backupManager,
                                                   BackupManager::TextOf(m_backupFilePage.m_strBackupFile));
    file.Close();
    if (restored && m_bRestoreWhole)
        Message(kSuccess, "SUCCESS", MB_OK | MB_ICONINFORMATION);
    else if (restored)
        Message("The records read from the incomplete backup file have been restored.", "SUCCESS",
                MB_OK | MB_ICONINFORMATION);
    else
        Message("There were some problems while restoring backup file.", "ERROR", MB_OK | MB_ICONERROR);
    m_resultPage.OnExit();
    ShowWindow(m_resultPage.m_hWndPage, SW_HIDE);
    ShowWelcomePage();
}

void WizardFrame::OnWizardExit()
{
    if (Message("Do you want to quit?", "QUESTION", MB_YESNO | MB_ICONQUESTION) == IDYES)
        DestroyWindow(m_hWndWizard);
}

} // namespace ovra
