#pragma once

// Command ids that reach the main window as WM_COMMAND (low word of wParam):
// the footer buttons send them, and the scan thread sends the two end notices.
namespace ovra {

enum CommandId : unsigned int {
    IDC_WELCOME_NEXT = 1001,
    IDC_SCAN_CANCEL = 1004,
    IDC_RESULT_BACK = 1005,
    IDC_RESULT_REPAIR = 1006,
    IDC_BACKUP_BACK = 1007,
    IDC_BACKUP_NEXT = 1008,
    IDC_RESTORE_BACK = 1009,
    IDC_RESTORE_NEXT = 1010,
    IDC_SCAN_DONE = 1011,
    IDC_SCAN_CANCELLED = 1012,
    IDC_EXIT = 1200,
};

} // namespace ovra
