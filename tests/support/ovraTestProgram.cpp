#include "ovraTestProgram.h"

#include <cstring>

namespace ovratest {

const char* ProgramName()
{
    return sizeof(void*) == 8 ? "OvraHivemend64.exe" : "OvraHivemend.exe";
}

std::string ProgramPath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof(path));
    for (int cut = 0; cut < 2; ++cut) {
        char* slash = std::strrchr(path, '\\');
        if (slash)
            *slash = '\0';
    }
    return std::string(path) + "\\" + ProgramName();
}

StartedProgram::~StartedProgram()
{
    if (!pi.hProcess)
        return;
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

bool StartedProgram::Start(const std::string& program, const char* currentFolder)
{
    std::string command = "\"" + program + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    return CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, currentFolder, &si,
                          &pi) != FALSE;
}

HWND StartedProgram::WaitMainWindow(DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        HWND found = FindWindowA("wizard_frame_class", "Ovra Hivemend");
        DWORD owner = 0;
        if (found && IsWindowVisible(found) && GetWindowThreadProcessId(found, &owner) && owner == pi.dwProcessId) {
            main = found;
            return main;
        }
        Sleep(20);
    }
    return nullptr;
}

HWND StartedProgram::FooterButton(int left) const
{
    for (HWND child = FindWindowExA(main, nullptr, "button_class", nullptr); child;
         child = FindWindowExA(main, child, "button_class", nullptr)) {
        RECT rc;
        GetWindowRect(child, &rc);
        POINT p = {rc.left, rc.top};
        ScreenToClient(main, &p);
        if (p.x == left)
            return child;
    }
    return nullptr;
}

void StartedProgram::Click(HWND control) const
{
    RECT rc;
    GetWindowRect(control, &rc);
    const POINT centre = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    SetCursorPos(centre.x, centre.y);
    // Let the move reach the display before the press (see Driver::Click).
    POINT now = {};
    for (int i = 0; i < 100 && GetCursorPos(&now) && (now.x != centre.x || now.y != centre.y); ++i)
        Sleep(10);
    Sleep(30);
    const LPARAM at = MAKELPARAM((rc.right - rc.left) / 2, (rc.bottom - rc.top) / 2);
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(control, WM_LBUTTONUP, 0, at);
}

namespace {

struct BoxSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<BoxSearch*>(param);
    char cls[16] = "";
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->process && IsWindowVisible(window) && GetClassNameA(window, cls, sizeof(cls)) &&
        std::strcmp(cls, "#32770") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND StartedProgram::WaitMessageBox(std::string& caption, std::string& text, DWORD timeoutMs) const
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        BoxSearch search = {pi.dwProcessId, nullptr};
        EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            char buffer[1024] = "";
            GetWindowTextA(search.found, buffer, sizeof(buffer));
            caption = buffer;
            text.clear();
            for (HWND child = FindWindowExA(search.found, nullptr, "Static", nullptr); child;
                 child = FindWindowExA(search.found, child, "Static", nullptr)) {
                buffer[0] = '\0';
                GetWindowTextA(child, buffer, sizeof(buffer));
                if (buffer[0])
                    text = buffer;
            }
            return search.found;
        }
        Sleep(20);
    }
    return nullptr;
}

bool StartedProgram::Answer(HWND box, const char* button)
{
    HWND control = FindWindowExA(box, nullptr, "Button", button);
    if (!control)
        return false;
    PostMessageA(control, BM_CLICK, 0, 0);
    return true;
}

bool StartedProgram::WaitExit(DWORD timeoutMs, DWORD& exitCode)
{
    if (WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(pi.hProcess, &exitCode);
    return true;
}

} // namespace ovratest
