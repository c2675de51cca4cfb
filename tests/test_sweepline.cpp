// Uninstall command lines judged against real files of the prefix: what each
// text yields as command and tracked files, and whether it is suspicious as
// the files it names come and go.
#include "checks/ovraSweepline.h"
#include "ovraTestRegistry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kDir[] = "C:\\ovra_sweep_test";

struct Parse {
    bool suspicious = false;
    std::string command; // "<none>" when no command was parsed
    std::string dll;     // rundll32's DLL, "<none>" without one
    std::vector<std::string> files;
};

Parse Judge(const char* text)
{
    const ovra::CommandLine line = ovra::CommandLine::Read(text, ovra::CommandLine::Kind::kUninstall);
    Parse parse;
    parse.suspicious = ovra::IsAnyFileMissing(line);
    EXPECT_EQ(parse.suspicious, ovra::IsSuspiciousUninstallString(text));
    parse.command = line.Program() ? line.Program() : "<none>";
    parse.dll = line.Dll() ? line.Dll() : "<none>";
    for (int i = 0; i < line.FileCount(); ++i)
        parse.files.push_back(line.File(i));
    return parse;
}

std::string Upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::vector<std::string> Upper(std::vector<std::string> texts)
{
    for (std::string& text : texts)
        text = Upper(text);
    return texts;
}

class Sweepline : public testing::Test {
protected:
    void SetUp() override { create_dir(kDir); }
    void TearDown() override { remove_dir_tree(kDir); }
};

struct Case {
    const char* text;
    const char* command;
    std::vector<std::string> files;
};

} // namespace

// How each kind of text is split into command and tracked files.
TEST_F(Sweepline, SplitsCommandAndTrackedFiles)
{
    const std::vector<Case> cases = {
        {"MsiExec.exe /X{12345678-ABCD-1234-ABCD-123456789012}", "MsiExec.exe", {}},
        {"C:\\ovra_sweep_test\\Program Files\\App\\uninst.exe /S", "C:\\ovra_sweep_test\\Program Files\\App\\uninst.exe", {}},
        {"\"C:\\ovra_sweep_test\\Program Files\\App\\uninst.exe\" /S", "C:\\ovra_sweep_test\\Program Files\\App\\uninst.exe", {}},
        {"C:\\ovra_sweep_test\\IsUninst.exe -f\"C:\\ovra_sweep_test\\Program Files\\App\\Uninst.isu\"",
         "C:\\ovra_sweep_test\\IsUninst.exe", {"C:\\ovra_sweep_test\\Program Files\\App\\Uninst.isu"}},
        {"C:\\ovra_sweep_test\\IsUninst.exe -f \"C:\\ovra_sweep_test\\Program Files\\App\\Uninst.isu\"",
         "C:\\ovra_sweep_test\\IsUninst.exe", {"C:\\ovra_sweep_test\\Program Files\\App\\Uninst.isu"}},
        {"C:\\ovra_sweep_test\\IsUninst.exe -fC:\\ovra_sweep_test\\PROGRA~1\\App\\Uninst.isu",
         "C:\\ovra_sweep_test\\IsUninst.exe", {"C:\\ovra_sweep_test\\PROGRA~1\\App\\Uninst.isu"}},
        // An unquoted "-f" file runs to its last needed ending, blanks
        // included, and stops before the next switch.
        {"C:\\ovra_sweep_test\\IsUninst.exe -fC:\\ovra_sweep_test\\Uninst.isu /S", "C:\\ovra_sweep_test\\IsUninst.exe",
         {"C:\\ovra_sweep_test\\Uninst.isu"}},
        {"C:\\ovra_sweep_test\\IsUninst.exe -fC:\\ovra_sweep_test\\My App.isu", "C:\\ovra_sweep_test\\IsUninst.exe",
         {"C:\\ovra_sweep_test\\My App.isu"}},
        {"C:\\IsUninst.exe -fC:\\Program Files\\App\\DeIsL1.isu -c\"C:\\App\\setup.dll\" -fC:\\b.log x", "C:\\IsUninst.exe",
         {"C:\\Program Files\\App\\DeIsL1.isu", "C:\\b.log"}},
        // After "-f" a log or settings file is the uninstaller's script.
        {"C:\\IsUninst.exe -f\"C:\\App\\Setup.LOG\" -f'C:\\App\\b.ini'", "C:\\IsUninst.exe",
         {"C:\\App\\Setup.LOG", "C:\\App\\b.ini"}},
        // The whole argument text is one file only when no token is a switch.
        {"C:\\App\\uninst.exe C:\\App\\setup.ini /LOG=C:\\Temp\\u.log", "C:\\App\\uninst.exe", {}},
        {"C:\\ovra_sweep_test\\unwise.exe C:\\ovra_sweep_test\\Program Files\\App\\INSTALL.LOG",
         "C:\\ovra_sweep_test\\unwise.exe", {"C:\\ovra_sweep_test\\Program Files\\App\\INSTALL.LOG"}},
        {"C:\\unwise.exe C:\\App\\INSTALL.LOG > C:\\App\\out.log", "C:\\unwise.exe", {"C:\\App\\INSTALL.LOG"}},
        // With no candidate there, the shortest one with an extension is
        // shown as the program.
        {"C:\\ovra_sweep_test\\uninst.bat C:\\ovra_sweep_test\\tool.exe", "C:\\ovra_sweep_test\\uninst.bat", {}},
        {"C:\\ovra_sweep_test\\uninst.bat /x", "C:\\ovra_sweep_test\\uninst.bat", {}},
        // Quoted, only an "isu" script is needed: a log or settings file
        // there is one the program writes when it runs.
        {"\"C:\\ovra_sweep_test\\setup.exe\" /remove \"C:\\ovra_sweep_test\\Program Files\\App\\setup.log\" /q",
         "C:\\ovra_sweep_test\\setup.exe", {}},
        {"\"C:\\ovra_sweep_test\\setup.exe\" 'C:\\ovra_sweep_test\\a.ini' \"C:\\ovra_sweep_test\\b.log\" \"C:\\A\\c.ISU\"",
         "C:\\ovra_sweep_test\\setup.exe", {"C:\\A\\c.ISU"}},
        {"C:\\App\\app.exe --log-file=\"C:\\a.log\" /LOGFILE=\"C:\\b.log\" --logfile \"C:\\c.isu\" -LogPath \"C:\\d.isu\"",
         "C:\\App\\app.exe", {}},
        {"C:\\App\\app.exe -c \"C:\\App\\my.ini\" --config \"C:\\App\\b.ini\" > \"C:\\App\\rm.isu\"", "C:\\App\\app.exe",
         {}},
        // Other endings, unquoted arguments and quoted non-paths never count.
        {"\"C:\\ovra_sweep_test\\setup.exe\" \"C:\\ovra_sweep_test\\gone.dll\" \"C:\\ovra_sweep_test\\gone.exe\"",
         "C:\\ovra_sweep_test\\setup.exe", {}},
        {"setup.exe /log C:\\ovra_sweep_test\\gone.log \"gone.log\" \"\"", "setup.exe", {}},
        {"C:\\ovra_sweep_test\\run.com \"C:\\ovra_sweep_test\\a.isu\"", "C:\\ovra_sweep_test\\run.com",
         {"C:\\ovra_sweep_test\\a.isu"}},
        {"C:\\ovra_sweep_test\\Uninst.isu", "C:\\ovra_sweep_test\\Uninst.isu", {}},
        {"\"\"", "", {}},
        {"  \t\"C:\\ovra_sweep_test\\no closing quote.exe", "C:\\ovra_sweep_test\\no closing quote.exe", {}},
        {"R:\\ovra_sweep\\uninst.exe", "R:\\ovra_sweep\\uninst.exe", {}},
        // A quoted file right after a log switch, or joined to it, is the
        // uninstaller's own output; the files after it still count.
        {"MsiExec.exe /X{12345678-ABCD-1234-ABCD-123456789012} /L*V \"C:\\ovra_sweep_test\\u.isu\"", "MsiExec.exe", {}},
        {"msiexec /x{1} /l \"C:\\a.isu\" /lv+ \"C:\\b.isu\" /l*vx! \"C:\\c.isu\" \"C:\\d.isu\"", "msiexec",
         {"C:\\d.isu"}},
        {"setup.exe /LOG= \"C:\\a.isu\" -Log 'C:\\b.isu' \"C:\\c.isu\"", "setup.exe", {"C:\\c.isu"}},
        // Switches that are no log switch leave the script tracked.
        {"setup.exe /lang \"C:\\a.isu\" /f \"C:\\c.isu\"", "setup.exe", {"C:\\a.isu", "C:\\c.isu"}},
        // Code-page letters are not blanks.
        {"M\xfcller.exe \"C:\\ovra_sweep_test\\\xe9t\xe9.isu\"", "M\xfcller.exe", {"C:\\ovra_sweep_test\\\xe9t\xe9.isu"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Parse parse = Judge(c.text);
        EXPECT_EQ(parse.command, c.command);
        EXPECT_EQ(parse.files, c.files);
        // The pieces keep the case they were written in; the upper-cased
        // text reads alike, its pieces upper-cased.
        const Parse upper = Judge(Upper(c.text).c_str());
        EXPECT_EQ(upper.command, Upper(parse.command));
        EXPECT_EQ(upper.files, Upper(parse.files));
        EXPECT_EQ(upper.suspicious, parse.suspicious);
    }
}

TEST_F(Sweepline, NothingToJudgeIsNotSuspicious)
{
    for (const char* text : {static_cast<const char*>(nullptr), "", " ", " \t\r\n "}) {
        const Parse parse = Judge(text);
        EXPECT_FALSE(parse.suspicious);
        EXPECT_EQ(parse.command, "<none>");
    }
}

TEST_F(Sweepline, ProgramsFoundThroughTheSearchPath)
{
    EXPECT_FALSE(Judge("MsiExec.exe /X{12345678-ABCD-1234-ABCD-123456789012}").suspicious);
    EXPECT_FALSE(Judge("msiexec /x").suspicious); // default extension ".exe"
    EXPECT_FALSE(Judge("rundll32.exe shell32.dll,Control_RunDLL \"C:\\ovra_sweep_test\\gone.dll\"").suspicious);
    EXPECT_TRUE(Judge("ovra_no_such_uninstaller.exe /x").suspicious);
}

// rundll32 runs the DLL its first argument names: that DLL is the program.
// A bare DLL name and one on another drive are not judged.
TEST_F(Sweepline, RundllLinesAreJudgedByTheirDll)
{
    create_file("C:\\ovra_sweep_test\\setup.dll");
    const struct {
        const char* text;
        const char* dll;
        bool suspicious;
    } cases[] = {
        {"RunDll32.exe C:\\ovra_sweep_test\\setup.dll,Uninstall", "C:\\ovra_sweep_test\\setup.dll", false},
        {"RunDll32.exe C:\\ovra_sweep_test\\gone.dll,Uninstall", "C:\\ovra_sweep_test\\gone.dll", true},
        {"rundll32 \"C:\\ovra_sweep_test\\gone.dll\",Start", "C:\\ovra_sweep_test\\gone.dll", true},
        {"C:\\Windows\\System32\\rundll32.exe \"C:\\ovra_sweep_test\\setup.dll\",Go /x", "C:\\ovra_sweep_test\\setup.dll",
         false},
        {"\"C:\\Windows\\System32\\RUNDLL32.EXE\" C:\\ovra_sweep_test\\gone.dll", "C:\\ovra_sweep_test\\gone.dll", true},
        {"rundll32.exe ovra_sweep_gone.dll,Start", "ovra_sweep_gone.dll", false},
        {"rundll32.exe R:\\ovra_sweep\\gone.dll,Start", "R:\\ovra_sweep\\gone.dll", false},
        {"rundll32.exe", "<none>", false},
        // Needed files after the DLL still count.
        {"rundll32.exe C:\\ovra_sweep_test\\setup.dll,Go \"C:\\ovra_sweep_test\\gone.isu\"",
         "C:\\ovra_sweep_test\\setup.dll", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const Parse parse = Judge(c.text);
        EXPECT_EQ(parse.dll, c.dll);
        EXPECT_EQ(parse.suspicious, c.suspicious);
        EXPECT_EQ(Judge(Upper(c.text).c_str()).suspicious, c.suspicious);
    }
}

// Each text is suspicious exactly while the file it depends on is missing.
TEST_F(Sweepline, SuspiciousExactlyWhileANamedFileIsMissing)
{
    struct Live {
        const char* text;
        std::vector<std::string> needed; // files that make it live
    };
    const std::vector<Live> cases = {
        {"C:\\ovra_sweep_test\\Program Files\\App\\uninst.exe /S", {"C:\\ovra_sweep_test\\Program Files\\App\\uninst.exe"}},
        {"\"C:\\ovra_sweep_test\\Program Files\\App\\uninst.exe\" /S", {"C:\\ovra_sweep_test\\Program Files\\App\\uninst.exe"}},
        {"C:\\ovra_sweep_test\\IsUninst.exe -f\"C:\\ovra_sweep_test\\Program Files\\App\\Uninst.isu\"",
         {"C:\\ovra_sweep_test\\IsUninst.exe", "C:\\ovra_sweep_test\\Program Files\\App\\Uninst.isu"}},
        {"C:\\ovra_sweep_test\\IsUninst.exe -fC:\\ovra_sweep_test\\PROGRA~1\\App\\Uninst.isu",
         {"C:\\ovra_sweep_test\\IsUninst.exe", "C:\\ovra_sweep_test\\PROGRA~1\\App\\Uninst.isu"}},
        {"C:\\ovra_sweep_test\\unwise.exe C:\\ovra_sweep_test\\Program Files\\App\\INSTALL.LOG",
         {"C:\\ovra_sweep_test\\unwise.exe", "C:\\ovra_sweep_test\\Program Files\\App\\INSTALL.LOG"}},
        {"\"C:\\ovra_sweep_test\\setup.exe\" /remove \"C:\\ovra_sweep_test\\Program Files\\App\\setup.isu\"",
         {"C:\\ovra_sweep_test\\setup.exe", "C:\\ovra_sweep_test\\Program Files\\App\\setup.isu"}},
        {"\"C:\\ovra_sweep_test\\setup.exe\" \"C:\\ovra_sweep_test\\gone.dll\" C:\\ovra_sweep_test\\gone.ini",
         {"C:\\ovra_sweep_test\\setup.exe"}},
        {"C:\\ovra_sweep_test\\uninst.bat /x", {"C:\\ovra_sweep_test\\uninst.bat"}},
        // A log file written by the uninstaller is not needed; other files
        // after it still are.
        {"\"C:\\ovra_sweep_test\\setup.exe\" /L*V \"C:\\ovra_sweep_test\\u.isu\" \"C:\\ovra_sweep_test\\a.isu\"",
         {"C:\\ovra_sweep_test\\setup.exe", "C:\\ovra_sweep_test\\a.isu"}},
    };
    create_dir("C:\\ovra_sweep_test\\Program Files\\App");
    create_dir("C:\\ovra_sweep_test\\PROGRA~1\\App");
    for (const Live& c : cases) {
        SCOPED_TRACE(c.text);
        for (size_t missing = 0; missing < c.needed.size(); ++missing) {
            for (size_t i = 0; i < c.needed.size(); ++i) {
                if (i == missing)
                    delete_file(c.needed[i].c_str());
                else
                    create_file(c.needed[i].c_str());
            }
            EXPECT_TRUE(Judge(c.text).suspicious) << "missing " << c.needed[missing];
            EXPECT_TRUE(Judge(Upper(c.text).c_str()).suspicious);
        }
        for (const std::string& file : c.needed)
            create_file(file.c_str());
        EXPECT_FALSE(Judge(c.text).suspicious);
        EXPECT_FALSE(Judge(Upper(c.text).c_str()).suspicious);
        for (const std::string& file : c.needed)
            delete_file(file.c_str());
    }
}

// A command or tracked file on a removable (R:), CD-ROM (S:) or network (N:)
// drive, on a letter with no root (Q:) or at a UNC path counts as found,
// whether it is there or not: the disk may only be unplugged.
TEST_F(Sweepline, OtherDrivesAndUncPathsCountAsFound)
{
    create_file("C:\\ovra_sweep_test\\setup.exe");
    for (const char* drive : {"R:", "S:", "N:"}) {
        const std::string folder = std::string(drive) + "\\ovra_sweep";
        CreateDirectoryA(folder.c_str(), nullptr);
        for (const bool present : {true, false}) {
            if (present)
                create_file((folder + "\\uninst.exe").c_str());
            const std::vector<std::string> texts = {
                folder + "\\uninst.exe /x",
                "\"" + folder + "\\uninst.exe\" \"" + folder + "\\install.log\"",
                "\"C:\\ovra_sweep_test\\setup.exe\" \"" + folder + "\\gone.ini\"",
                folder + "\\Uninst.isu",
            };
            for (const std::string& text : texts) {
                SCOPED_TRACE(text);
                EXPECT_FALSE(Judge(text.c_str()).suspicious);
                EXPECT_FALSE(Judge(Upper(text).c_str()).suspicious);
            }
        }
        remove_dir_tree(folder.c_str());
    }
    for (const char* text : {"Q:\\ovra_sweep\\uninst.exe /x", "q:uninst.exe",
                             "\\\\ovra-no-host\\share\\uninst.exe /x",
                             "\"\\\\ovra-no-host\\share\\uninst.exe\" /x",
                             "\"C:\\ovra_sweep_test\\setup.exe\" \"Q:\\ovra_sweep\\gone.log\""}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(Judge(text).suspicious);
    }
}

TEST_F(Sweepline, AlwaysSuspiciousShapes)
{
    create_file("C:\\ovra_sweep_test\\uninst.bat");
    create_file("C:\\ovra_sweep_test\\tool.exe");
    // The first candidate that exists is the program, whatever its
    // extension: the ".exe" further on is an argument.
    EXPECT_FALSE(Judge("C:\\ovra_sweep_test\\uninst.bat C:\\ovra_sweep_test\\tool.exe").suspicious);
    EXPECT_TRUE(Judge("\"\"").suspicious);
    EXPECT_TRUE(Judge("\"\" /x").suspicious);
}

TEST_F(Sweepline, ANameThatCannotBeLookedAtCountsAsFound)
{
    EXPECT_TRUE(ovra::ExistsFullPath(kDir)); // folders count
    EXPECT_FALSE(ovra::ExistsFullPath("C:\\ovra_sweep_test\\gone.log"));
    EXPECT_FALSE(ovra::ExistsFullPath("C:\\ovra_sweep_gone\\gone.log"));
    EXPECT_FALSE(ovra::ExistsFullPath("C:\\ovra_sweep_test\\bad|name.log"));
    EXPECT_FALSE(ovra::ExistsShortName(""));
    EXPECT_FALSE(ovra::ExistsShortName("ovra_no_such_uninstaller"));

    // A path longer than the system takes is refused with an error that is
    // not "not found": the entry is left alone.
    const std::string tooLong = std::string("c:\\ovra_sweep_test\\") + std::string(400, 'a') + ".log";
    EXPECT_TRUE(ovra::ExistsFullPath(tooLong.c_str()));
    EXPECT_FALSE(Judge(("\"C:\\windows\\system32\\msiexec.exe\" \"" + tooLong + "\"").c_str()).suspicious);
}

// Texts too big for the tables get a bounded, chosen outcome.
TEST_F(Sweepline, OverlongTextsAreNotJudged)
{
    // 2047 characters fit the working copy and are judged...
    std::string text = "\"\" " + std::string(ovra::kSweeplineBufSize - 1 - 3, 'a');
    ASSERT_EQ(text.size(), 2047u);
    EXPECT_TRUE(Judge(text.c_str()).suspicious);
    // ...2048 and more do not, and are never reported.
    text += 'a';
    const Parse parse = Judge(text.c_str());
    EXPECT_FALSE(parse.suspicious);
    EXPECT_EQ(parse.command, "<none>");
    EXPECT_TRUE(parse.files.empty());
    EXPECT_FALSE(Judge((text + std::string(10000, 'b')).c_str()).suspicious);
}

TEST_F(Sweepline, TokensBeyondTheTableAreNotExamined)
{
    create_file("C:\\ovra_sweep_test\\setup.exe");
    const std::string head = "\"C:\\ovra_sweep_test\\setup.exe\"";
    const std::string gone = " \"C:\\ovra_sweep_test\\gone.isu\"";
    auto withGoneAt = [&](int token) {
        std::string text = head;
        for (int i = 1; i < 400; ++i)
            text += i == token ? gone : " x";
        return text;
    };
    // Within the first 256 tokens a missing file is found...
    Parse parse = Judge(withGoneAt(255).c_str());
    EXPECT_TRUE(parse.suspicious);
    EXPECT_EQ(parse.files, std::vector<std::string>{"C:\\ovra_sweep_test\\gone.isu"});
    // ...beyond them it is not looked at, and the text is not reported.
    parse = Judge(withGoneAt(300).c_str());
    EXPECT_FALSE(parse.suspicious);
    EXPECT_TRUE(parse.files.empty());
    EXPECT_EQ(parse.command, "C:\\ovra_sweep_test\\setup.exe");
}

TEST_F(Sweepline, TheDensestTextStaysWithinTheFileTable)
{
    // The shortest quoted needed file is "c:\isu": a text that fits holds at
    // most 227 of them, all tracked.
    std::string text = "x.exe";
    int expected = 0;
    while (text.size() + 9 < static_cast<size_t>(ovra::kSweeplineBufSize)) {
        text += " \"c:\\isu\"";
        ++expected;
    }
    const ovra::CommandLine line = ovra::CommandLine::Read(text.c_str(), ovra::CommandLine::Kind::kUninstall);
    EXPECT_EQ(line.FileCount(), expected);
    EXPECT_LE(expected, ovra::kSweeplineMaxFiles);
    EXPECT_EQ(line.File(expected), nullptr);
    EXPECT_EQ(line.File(-1), nullptr);
}
