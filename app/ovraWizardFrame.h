#pragma once

#include "backup/ovraBackupManager.h"
#include "backup/ovraExecutor.h"
#include "platform/ovraFileHandle.h"
#include "scan/ovraJobEnumerator.h"
#include "records/ovraJobResult.h"
#include "ui/ovraBackupFilePage.h"
#include "ui/ovraButton.h"
#include "ui/ovraProgressPage.h"
#include "ui/ovraResultPage.h"
#include "ui/ovraWelcomePage.h"

#include <windows.h>

#include <string>
#include <vector>

namespace ovra {

// The one top-level window and the owner of everything else: the catalogue,
// the footer buttons, the four pages, the working record list and the
// backup and repair services. Window, painting and message loop live in
// ovraWizardFrame.cpp; the page flow (commands and page switches) in
// ovraWizardFrameFlow.cpp.
class WizardFrame {
public:
    WizardFrame();
    ~WizardFrame();
    WizardFrame(const WizardFrame&) = delete;
    WizardFrame& operator=(const WizardFrame&) = delete;

    void Create();
    int Run();
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnPaint(HWND hwnd);
    void OnSetCursor();
    void OnLButtonDown(unsigned int flags, short x, short y);
    void OnHelpClick();
    void SetTitle(const char* title);

    // Looks (ovraWizardFrameLook.cpp): the header and footer drawn in the
    // palette's colours where its look does not show the bitmaps, and the
    // switch to the look the system asks for, with a repaint.
    void DrawBands(HDC surface);
    void ApplyLook();
    void OnLookChange();
    void OnSysColorChange();
    void Repaint();
    bool OnSettingChange(WPARAM wParam, LPARAM lParam);

    // Keyboard: Tab and Shift+Tab, Enter, Esc and the arrows between the
    // welcome page's choices, taken from the message loop before dispatch.
    bool OnKey(const MSG& msg);
    std::vector<HWND> FocusStops() const;
    void MoveFocus(int step);
    void MoveChoice(int step);
    // Gives the focus to the shown page's main control.
    void FocusPage();
    void OnMouseWheel(WPARAM wParam, LPARAM lParam);

    // Page flow.
    void OnCommand(unsigned int id);
    // A message box over the main window; the frame is busy while it shows.
    int Message(const char* text, const char* caption, UINT type);
    void ShowWelcomePage();
    void ShowProgressPage();
    void ShowResultPage();
    void ShowBackupFilePage();
    void ShowRestorePage();
    void OnWelcomeNext();
    void OnProgressTerminate();
    void OnScanSuccess();
    void OnScanFailure();
    void OnResultPageBack();
    void OnResultPageRepair();
    void OnBackupPageBack();
    void OnBackupPageNext();
    void OnRestorePageBack();
    void OnRestorePageNext();
    void OnWizardExit();
    // Opens the backup chosen on the backup-file page for reading, unshared.
    bool OpenChosenBackup(FileHandle& file);

    static const int kClientWidth = 690;
    static const int kClientHeight = 496;
    static const int kHeaderHeight = 59;
    static const int kFooterTop = 455;
    static const RECT kHelpArea;

    HWND m_hWndWizard;
    JobEnumerator m_jobEnumerator;
    Button m_btnBack;
    Button m_btnNext;
    Button m_btnCancel;
    std::string m_strBack;
    std::string m_strNext;
    std::string m_strCancel;
    std::string m_strRepair;
    WelcomePage m_welcomePage;
    ProgressPage m_progressPage;
    BackupFilePage m_backupFilePage;
    ResultPage m_resultPage;
    std::vector<JobResult> m_results;
    // For a backup shown for restore: a note per record of m_results (empty
    // for none), such as that its entry exists now with other data.
    std::vector<std::string> m_restoreNotes;
    bool m_bRestoreWhole; // the backup shown for restore held every record it promised
    BackupManager m_backupManager;
    Executor m_executor;
    std::string m_strTitle;
    HWND m_hWndFocus;        // the focus to give back when the window is activated again
    bool m_bForwardingWheel; // a wheel message is on its way to the shown list
    // Above 0 while a question, a repair or a restore is under way: a press
    // that arrives meanwhile (a reader's press is posted, and runs inside the
    // question's own message loop) must not start a second one.
    int m_nBusy;

    static WizardFrame* m_Singleton;
};

} // namespace ovra
