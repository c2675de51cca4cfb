#pragma once

#include <windows.h>

namespace ovra {

// Base of the four wizard pages: a hidden 690 x 396 child window at (0, 59)
// bound to its object through window slot 0, painted through one off-screen
// bitmap. Pages are members of the frame and never deleted through a base
// pointer, hence no virtual destructor.
class WizardPage {
public:
    WizardPage();
    WizardPage(const WizardPage&) = delete;
    WizardPage& operator=(const WizardPage&) = delete;

    virtual HBRUSH OnCtlStaticColor(HDC hdc, HWND hwndChild);
    virtual void OnPaint(HDC hdc);
    virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // Fits the page's standard controls to the palette's look; the page
    // repaints itself from the palette anyway.
    virtual void ApplyLook();

    HWND Create(HWND parent);
    void CreateRepaintEvent();
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    static const int kWidth = 690;
    static const int kHeight = 396;
    static const int kTop = 59;

    HWND m_hWndPage;

protected:
    ~WizardPage() = default;
};

} // namespace ovra
