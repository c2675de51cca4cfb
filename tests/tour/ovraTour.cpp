// Drives the real OvraHivemend.exe from outside, the way a user would, and
// has the screen taken at each page (see Shot):
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
        Sleep(5);
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

void ClickAt(HWND window, int x, int y, DWORD settle = 300)
{
    POINT p = {x, y};
    ClientToScreen(window, &p);
    SetCursorPos(p.x, p.y);
    Sleep(50);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    Sleep(settle);
}

void Press(int x, DWORD settle = 300) // footer button by its left edge: 293 Back, 413 Next, 571 Cancel
{
    HWND button = Child("button_class", nullptr, x);
    if (!button)
        Fail("footer button not found");
    ClickAt(button, 56, 18, settle);
}

// The status line under the scan list has text once the first refresh ran.
bool ScanStatusShown()
{
    HWND progress = Child("msctls_progress32");
    if (!progress || !IsWindowVisible(GetParent(progress)))
        return true; // the scan is over: stop waiting
    char text[256] = {};
    for (HWND s = FindWindowExA(GetParent(progress), nullptr, "Static", nullptr); s;
         s = FindWindowExA(GetParent(progress), s, "Static", nullptr)) {
        GetWindowTextA(s, text, sizeof(text));
        if (std::strncmp(text, "Scanning: ", 10) == 0 && text[10])
            return true;
    }
    return false;
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

// The screen is read by the X server's own tool: the script running this
// tour takes the picture when told where, and says when it is done.
void Shot(const char* name, DWORD settle = 400)
{
    Sleep(settle); // let the page finish painting
    RECT rc;
    GetWindowRect(g_main, &rc);
    std::printf("shot %s %ld %ld %ld %ld\n", name, static_cast<long>(rc.left), static_cast<long>(rc.top),
                static_cast<long>(rc.right - rc.left), static_cast<long>(rc.bottom - rc.top));
    std::fflush(stdout);
    const std::string done = g_out + "\\" + name + ".done";
    for (int i = 0; i < 3000 && GetFileAttributesA(done.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(10);
    DeleteFileA(done.c_str());
}

// Wine under Xvfb draws its popup menus and tooltips where the X server's
// own tool sees only black: a picture with one open is read from the
// system's screen instead, saved here as a bitmap and named to the script
// to convert.
void SavedShot(const char* name, DWORD settle = 800)
{
    Sleep(settle);
    // The part of the window on the screen, as the other pictures are cut.
    RECT rc;
    GetWindowRect(g_main, &rc);
    rc.left = rc.left < 0 ? 0 : rc.left;
    rc.top = rc.top < 0 ? 0 : rc.top;
    const int width = rc.right - rc.left, height = rc.bottom - rc.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rc.left, rc.top, SRCCOPY);
    SelectObject(memory, old);
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    BITMAPFILEHEADER head = {};
    head.bfType = 0x4D42;
    head.bfOffBits = sizeof(head) + sizeof(info.bmiHeader);
    head.bfSize = head.bfOffBits + stride * static_cast<DWORD>(height);
    const std::string path = g_out + "\\" + name + ".bmp";
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&head, sizeof(head), 1, file);
        std::fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, file);
        std::fwrite(bits, stride, static_cast<size_t>(height), file);
        std::fclose(file);
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    std::printf("saved %s 0 0 0 0\n", name);
    std::fflush(stdout);
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

    Press(413, 0); // Next with "Scan the registry"
    if (!WaitFor(&ProgressShown, 20000))
        Fail("no progress page");
    WaitFor(&ScanStatusShown, 2000); // one refresh tick, if the scan lasts that long
    if (ProgressShown())
        Shot("progress", 50);
    if (!WaitFor(&ResultsShown, 600000))
        Fail("no result page");
    Shot("results");

    if (full) {
        // Show one section, then repair with a backup.
        ClickAt(Child("group_view_class"), 60, 3 * 32 + 16);
        Shot("results-section");
        // The second card's texts whole, as when the mouse rests on it, and
        // its menu, as a right click opens it.
        HWND cards = Child("result_view_class");
        PostMessageA(cards, WM_MOUSEHOVER, 0, MAKELPARAM(250, 60 + 40));
        SavedShot("results-tooltip");
        POINT at = {200, 60 + 30};
        ClientToScreen(cards, &at);
        PostMessageA(cards, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(cards), MAKELPARAM(at.x, at.y));
        SavedShot("results-menu");
        PostMessageA(cards, WM_KEYDOWN, VK_ESCAPE, 1);
        Sleep(300);
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
