#pragma once

#include "records/ovraJobResult.h"
#include "ui/ovraGroupView.h"
#include "ui/ovraResultView.h"
#include "ui/ovraWizardPage.h"

#include <string>
#include <vector>

namespace ovra {

// Review page: the section list on the left, the record cards on the right.
// Used after a scan and for choosing what to restore from a backup.
class ResultPage final : public WizardPage {
public:
    ResultPage() = default;
    ~ResultPage() = default;

    void OnPaint(HDC hdc) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void ApplyLook() override;
    void OnCreate();
    // notes: as GroupView::LoadGroups takes them.
    void OnEnter(std::vector<JobResult>& records, const std::vector<std::string>* notes = nullptr);
    void OnExit();

    ResultView m_resultView;
    GroupView m_groupView;
};

} // namespace ovra
