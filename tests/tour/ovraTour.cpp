// Drives the real OvraHivemend.exe from outside, the way a user would, and
// saves what the screen shows at each page as BMP files:
//   ovra_tour.exe OUTDIR scan   welcome, progress and results, then quits
//   ovra_tour.exe OUTDIR full   also repairs with a backup, lists the backups
//                               and shows the restore page
// The program must already be running in the same prefix and display.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

HWND g_main = nullptr;
std::string g_out;

void Fail(const char* what)
{
    std::fprintf(stderr, "tour: %s\n", what);
    std::exit(1);
}

bool WaitFor(bool (*cond)(), DWORD timeoutMs = 60000)
{
    const DWORD start = GetTickCount();
    while (!cond()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

bool MainExists()
{
    g_main = FindWindowA("wizard_frame_class", "Ovra Hivemend");
    return g_main && IsWindowVisible(g_main);
}

struct ChildQuery {
    const char* cls;
    const char* text;
    int x; // client x of the child in the main window, or -1
    HWND found;
};

BOOL CALLBACK FindChild(HWND child, LPARAM param)
{
    auto* q = reinterpret_cast<ChildQuery*>(param);
    char cls[64] = {}, text[256] = {};
    GetClassNameA(child, cls, sizeof(cls));
    GetWindowTextA(child, text, sizeof(text));
    if (lstrcmpiA(cls, q->cls) != 0 || (q->text && std::strcmp(text, q->text) != 0))
        return TRUE;
    if (q->x >= 0) {
        RECT rc;
        GetWindowRect(child, &rc);
        POINT p = {rc.left, rc.top};
        ScreenToClient(g_main, &p);
        if (p.x != q->x)
            return TRUE;
    }
    q->found = child;
    return FALSE;
}

HWND Child(const char* cls, const char* text = nullptr, int x = -1)
{
    ChildQuery q{cls, text, x, nullptr};
    EnumChildWindows(g_main, &FindChild, reinterpret_cast<LPARAM>(&q));
    return q.found;
}

// The visible page, told apart by the controls on it.
bool PageVisible(const char* cls)
{
    HWND control = Child(cls);
    return control && IsWindowVisible(GetParent(control));
}
bool ProgressShown() { return PageVisible("msctls_progress32"); }
bool ResultsShown() { return PageVisible("result_view_class"); }
bool WelcomeShown() { HWND r = Child("Button", "Scan the registry"); return r && IsWindowVisible(GetParent(r)); }
HWND BackupList()
{
    HWND progress = Child("msctls_progress32");
    for (HWND child = GetWindow(g_main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (progress && child == GetParent(progress))
            continue;
        HWND list = FindWindowExA(child, nullptr, "SysListView32", nullptr);
        if (list)
            return list;
    }
    return nullptr;
}

bool BackupsShown()
{
    HWND list = BackupList();
    return list && IsWindowVisible(GetParent(list));
}

void ClickAt(HWND window, int x, int y)
{
    POINT p = {x, y};
    ClientToScreen(window, &p);
    SetCursorPos(p.x, p.y);
    Sleep(50);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    Sleep(300);
}

void Press(int x) // footer button by its left edge: 293 Back, 413 Next, 571 Cancel
{
    HWND button = Child("button_class", nullptr, x);
    if (!button)
        Fail("footer button not found");
    ClickAt(button, 56, 18);
}

HWND g_box = nullptr;
BOOL CALLBACK FindBox(HWND hwnd, LPARAM)
{
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (std::strcmp(cls, "#32770") == 0 && IsWindowVisible(hwnd) && GetWindow(hwnd, GW_OWNER) == g_main) {
        g_box = hwnd;
        return FALSE;
    }
    return TRUE;
}
bool BoxShown()
{
    g_box = nullptr;
    EnumWindows(&FindBox, 0);
    return g_box != nullptr;
}

void Answer(const char* button)
{
    if (!WaitFor(&BoxShown))
        Fail("no message box");
    HWND b = FindWindowExA(g_box, nullptr, "Button", button);
    if (!b)
        Fail("message box button not found");
    PostMessageA(b, BM_CLICK, 0, 0);
    Sleep(300);
}

void Shot(const char* name)
{
    Sleep(400); // let the page finish painting
    RECT rc;
    GetWindowRect(g_main, &rc);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = ((w * 3 + 3) / 4) * 4;
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(bi.bmiHeader);
    fh.bfSize = fh.bfOffBits + stride * h;
    const std::string path = g_out + "\\" + name + ".bmp";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
        std::fwrite(&fh, sizeof(fh), 1, f);
        std::fwrite(&bi.bmiHeader, sizeof(bi.bmiHeader), 1, f);
        std::fwrite(bits, stride * h, 1, f);
        std::fclose(f);
    }
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    std::printf("tour: saved %s\n", name);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        Fail("usage: ovra_tour OUTDIR scan|full");
    g_out = argv[1];
    const bool full = std::strcmp(argv[2], "full") == 0;

    if (!WaitFor(&MainExists))
        Fail("the program's window did not appear");
    SetForegroundWindow(g_main);
    Shot("welcome");

    Press(413); // Next with "Scan the registry"
    if (!WaitFor(&ProgressShown, 20000))
        Fail("no progress page");
    Sleep(700); // one refresh tick
    if (ProgressShown())
        Shot("progress");
    if (!WaitFor(&ResultsShown, 600000))
        Fail("no result page");
    Shot("results");

    if (full) {
        // Show one section, then repair with a backup.
        ClickAt(Child("group_view_class"), 60, 3 * 32 + 16);
        Shot("results-section");
        Press(413); // Repair
        Answer("&Yes");
        if (!WaitFor(&BoxShown))
            Fail("no result message");
        Shot("repaired");
        Answer("OK");
        if (!WaitFor(&WelcomeShown))
            Fail("no welcome page after repair");
        HWND restore = Child("Button", "Restore registry backup");
        PostMessageA(restore, BM_CLICK, 0, 0);
        Sleep(200);
        Press(413);
        if (!WaitFor(&BackupsShown))
            Fail("no backup list");
        Shot("backups");
        ClickAt(BackupList(), 60, 30); // the newest backup
        Press(413);
        if (!WaitFor(&ResultsShown))
            Fail("no restore page");
        Shot("restore");
    }

    Press(571); // Cancel
    Answer("&Yes");
    return 0;
}
