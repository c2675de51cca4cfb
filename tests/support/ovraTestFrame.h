#pragma once

// Reading the wizard's state and playing scripts against a real frame.
#include "app/ovraWizardFrame.h"
#include "ovraBackupTestFiles.h"
#include "ovraTestDriver.h"

#include <string>

namespace ovratest {

struct ButtonState {
    bool enabled = false;
    std::string caption;
    unsigned command = 0;
    bool operator==(const ButtonState& o) const
    {
        return enabled == o.enabled && caption == o.caption && command == o.command;
    }
};

enum PageBit { kWelcome = 1, kProgress = 2, kResult = 4, kBackupFile = 8 };

struct FrameState {
    std::string title;
    int pages = 0; // PageBit of every visible page
    ButtonState back, next, cancel;
    bool operator==(const FrameState& o) const
    {
        return title == o.title && pages == o.pages && back == o.back && next == o.next && cancel == o.cancel;
    }
};

// Call on the user-interface thread (Driver::ReadOnUi).
FrameState ReadFrame(ovra::WizardFrame& frame);
ButtonState Disabled(const char* caption);
ButtonState Enabled(const char* caption, unsigned command);
FrameState Expect(const char* title, int pages, ButtonState back, ButtonState next, ButtonState cancel);

// Puts a test job of type JobType in every catalogue slot but "My Computer",
// keeping each slot's name and id.
template <class JobType> void ReplaceJobs(ovra::WizardFrame& frame)
{
    auto& jobs = frame.m_jobEnumerator.m_jobs;
    for (size_t i = 1; i < jobs.size(); ++i) {
        auto* job = new JobType;
        job->m_strName = jobs[i]->m_strName;
        job->m_nId = static_cast<int>(i);
        delete jobs[i];
        jobs[i] = job;
    }
}

// From the welcome page: "Restore registry backup", Next, pick the newest
// backup, Next. True once the restore page shows (call on the driver thread).
// With warning given, the message the program shows on the way (about an
// incomplete file) is expected, kept there and answered.
bool OpenNewestBackup(Driver& d, ovra::WizardFrame& frame, MessageBoxSeen* warning = nullptr);

// Creates the frame's window, runs script on a driver thread while the
// message loop runs here, and closes the window when the script ends (if the
// script did not end the program itself). Returns Run's result.
int Play(ovra::WizardFrame& frame, const std::function<void(Driver&)>& script);

} // namespace ovratest

std::ostream& operator<<(std::ostream& out, const ovratest::FrameState& s);
