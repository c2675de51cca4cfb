#pragma once

#include "ui/ovraWizardPage.h"

namespace ovra {

// First page: an introduction on the left and the three choices on the right.
class WelcomePage final : public WizardPage {
public:
    WelcomePage();
    ~WelcomePage() = default;

    void ApplyLook() override;
    HBRUSH OnCtlStaticColor(HDC hdc, HWND hwndChild) override;
    void OnPaint(HDC hdc) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnCreate();

    HWND m_hWndScan;
    HWND m_hWndRestore;
    HWND m_hWndManage;
    HFONT m_hFont;
};

} // namespace ovra
