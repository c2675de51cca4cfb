#include "checks/ovraHelpresJob.h"

#include "platform/ovraCodePage.h"
#include "platform/ovraFileUtils.h"
#include "platform/ovraRegView.h"
#include "checks/ovraRegWalk.h"

#include <string>

namespace ovra {

namespace {
const char kHelpKey[] = "SOFTWARE\\Microsoft\\Windows\\Help";
const char kHtmlHelpKey[] = "SOFTWARE\\Microsoft\\Windows\\HTML Help";
const char kSoundsKey[] = "AppEvents\\Schemes\\Apps";
// Each program is a walk of its own (its events, each with its schemes): a
// few programs are worth walking side by side.
const unsigned long kProgramsSplitFrom = 4;
} // namespace

HelpresJob::HelpresJob()
{
    m_strName = "Help and Resources";
    m_strDescription = "Performs basic check of help and resources on your system.";
    m_nIconId = 108;
}

// The two help keys and the sound events are walked side by side, their
// records kept as if walked one after the other. The cancel flag is read
// before each of the three, never within a help key, and before each
// program's sound events.
void HelpresJob::OnRun(JobStatus& status, std::vector<JobResult>& results)
{
    RegWalk::SideBySide(status, results, {
        [&](std::vector<JobResult>& records) {
            if (!status.bCancel)
                ScanHelp(status, records, kHelpKey);
        },
        [&](std::vector<JobResult>& records) {
            if (!status.bCancel)
                ScanHelp(status, records, kHtmlHelpKey);
        },
        [&](std::vector<JobResult>& records) {
            if (!status.bCancel)
                ScanSoundEvents(status, records);
        },
    });
}

// Each value's name is a help file's name and its data the folder that holds
// it. A folder and name too long to join are passed over, never judged cut.
void HelpresJob::ScanHelp(JobStatus& status, std::vector<JobResult>& results, const char* area)
{
    for (const std::string& view : RegView::AreaPaths(HKEY_LOCAL_MACHINE, area)) {
        const char* keyPath = view.c_str();
        RegWalk::SplitValues(HKEY_LOCAL_MACHINE, keyPath, RegWalk::Data::kTypeAndData, status, results,
                             [&](RegValue& value, std::vector<JobResult>& records) {
            char expanded[kRegTextSize];
            const char* folder = RegText::StringData(value.type, value.data, value.length, expanded,
                                                          RegText::Owner::kMachine);
            if (!folder)
                return;
            // The last character, not the last byte: in a double-byte code
            // page a trail byte can have the backslash's value.
            const bool needsBackslash = *folder != '\0' && !CodePage::EndsWithBackslash(folder);
            char folderText[kRegTextSize];
            char filePath[kRegTextSize];
            if (!RegText::Compose(folderText, needsBackslash ? "%s\\" : "%s", folder) ||
                !RegText::Compose(filePath, "%s%s", folderText, value.name))
                return;
            if (!FileUtils::IsFullPath(filePath) || FileUtils::FileExits(filePath))
                return;
            RegWalk::Report(*this, status, records, HKEY_LOCAL_MACHINE, keyPath, value.name,
                            RegText::Display("Help file %s doesn't exist", value.name),
                            RegText::Display("HKEY_LOCAL_MACHINE\\%s", keyPath),
                            RegText::Display("%s = %s", value.name, folderText), kKindValue, value.key);
        });
    }
}

// The user's sound events: AppEvents\Schemes\Apps\<program>\<event>\<scheme>,
// each scheme's default value the sound it plays (".Current", ".Default",
// ".Modified", or a scheme the user named). A bare file name is found in
// the Media folder and is not judged, nor is an empty value.
void HelpresJob::ScanSoundEvents(JobStatus& status, std::vector<JobResult>& results)
{
    RegWalk::SplitSubkeys(
        HKEY_CURRENT_USER, kSoundsKey, status, results,
        [&](HKEY apps, const char* program, std::vector<JobResult>& records) {
            const std::string programPath = std::string(kSoundsKey) + "\\" + program;
            RegWalk::Subkeys(apps, program, nullptr, [&](HKEY programKey, const char* event) {
                const std::string eventPath = programPath + "\\" + event;
                RegWalk::Subkeys(programKey, event, nullptr, [&](HKEY eventKey, const char* scheme) {
                    char data[kRegTextSize];
                    char expanded[kRegTextSize];
                    const char* path =
                        RegText::DefaultValue(eventKey, scheme, data, expanded, RegText::Owner::kUser);
                    if (!path || !FileUtils::IsFullPath(path) || FileUtils::FileExits(path))
                        return;
                    const std::string keyPath = eventPath + "\\" + scheme;
                    RegWalk::Report(*this, status, records, HKEY_CURRENT_USER, keyPath.c_str(), "",
                                    RegText::Display("Sound file %s doesn't exist", CodePage::LastBackslash(path) + 1),
                                    RegWalk::Section(HKEY_CURRENT_USER, keyPath.c_str()),
                                    RegText::Display("(Default) = %s", path), kKindValue);
                });
            });
        },
        kProgramsSplitFrom);
}

} // namespace ovra
