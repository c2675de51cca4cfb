#include "ui/ovraWizardPage.h"

#include "platform/ovraInstance.h"
#include "platform/ovraAssert.h"
#include "ui/ovraPalette.h"

namespace ovra {

namespace {
const char kClassName[] = "wizard_page_class";
}

WizardPage::WizardPage() : m_hWndPage(nullptr)
{
}

HBRUSH WizardPage::OnCtlStaticColor(HDC hdc, HWND)
{
    const Palette& palette = Palette::Current();
    SetTextColor(hdc, palette.Colour(Palette::kPageText));
    SetBkColor(hdc, palette.Colour(Palette::kPageBack));
    return palette.Brush(Palette::kPageBack);
}

void WizardPage::ApplyLook()
{
}

void WizardPage::OnPaint(HDC)
{
}

bool WizardPage::OnMessage(UINT, WPARAM, LPARAM)
{
    return false;
}

HWND WizardPage::Create(HWND parent)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &WizardPage::WindowProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = g_hInstance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc); // fails harmlessly once the class exists

    m_hWndPage = CreateWindowExA(0, kClassName, nullptr, WS_CHILD, 0, kTop, kWidth, kHeight, parent, nullptr,
                                 g_hInstance, this);
    OVRA_ASSERT(m_hWndPage, "ovraWizardPage");
    return m_hWndPage;
}

void WizardPage::CreateRepaintEvent()
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(m_hWndPage, &ps);
    HDC memory = CreateCompatibleDC(hdc);
    HBITMAP surface = CreateCompatibleBitmap(hdc, kWidth, kHeight);
    HGDIOBJ previous = SelectObject(memory, surface);

    OnPaint(memory);
    BitBlt(hdc, 0, 0, kWidth, kHeight, memory, 0, 0, SRCCOPY);

    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(surface);
    EndPaint(m_hWndPage, &ps);
}

LRESULT CALLBACK WizardPage::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* page = static_cast<WizardPage*>(cs->lpCreateParams);
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(page));
        page->m_hWndPage = hwnd;
        page->OnMessage(WM_CREATE, wParam, lParam);
        return 0;
    }
    auto* page = reinterpret_cast<WizardPage*>(GetWindowLongPtrA(hwnd, 0));
    if (!page || !page->m_hWndPage)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    if (msg == WM_PAINT) {
        page->CreateRepaintEvent();
        return 0;
    }
    if (msg == WM_CTLCOLORSTATIC)
        return reinterpret_cast<LRESULT>(page->OnCtlStaticColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
    if (page->OnMessage(msg, wParam, lParam))
        return 0;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace ovra
