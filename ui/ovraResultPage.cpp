// The review page: section list on the left, record cards on the right.
#include "ui/ovraResultPage.h"

#include "ui/ovraControlLook.h"

namespace ovra {

namespace {
const int kGroupWidth = 264;
}

void ResultPage::OnPaint(HDC)
{
    // The two controls cover the whole page.
}

bool ResultPage::OnMessage(UINT msg, WPARAM, LPARAM)
{
    if (msg == WM_CREATE) {
        OnCreate();
        return true;
    }
    return false;
}

void ResultPage::OnCreate()
{
    m_resultView.Create(m_hWndPage, kGroupWidth, 0, kWidth - kGroupWidth, kHeight);
    m_groupView.Create(&m_resultView, m_hWndPage, 0, 0, kGroupWidth, kHeight);
    ApplyLook();
}

void ResultPage::ApplyLook()
{
    // The cards' scroll bar and tooltip; the views paint themselves from
    // the palette.
    ControlLook::Themed(m_resultView.m_hWndView);
    m_resultView.m_tip.ApplyLook();
}

void ResultPage::OnEnter(std::vector<JobResult>& records, const std::vector<std::string>* notes)
{
    // Rebuilds sections and cards from this vector: all sections selected,
    // cards at the top. Ticks are the records' own and so survive.
    m_groupView.LoadGroups(&records, notes);
}

void ResultPage::OnExit()
{
    m_resultView.HideTip();
}

} // namespace ovra
