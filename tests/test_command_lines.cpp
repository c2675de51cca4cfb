// Command lines of every shape Windows starts, generated from real files and
// run through the startup check and the uninstall check: none is reported
// while its files are there, and deleting one named file reports exactly the
// lines that needed it (as program, rundll32 DLL or tracked file).
#include "checks/ovraAddRemProgsJob.h"
#include "checks/ovraStartupProgsJob.h"
#include "ovraTestRecords.h"
#include "ovraTestRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace ovratest;

namespace {

const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kTop[] = "C:\\ovra_cl";

// A named file is marked {role|spelling} or {role|spelling|file}, where file
// is what exists when the line spells it otherwise. The roles:
// p program at a full path, b program by bare name, d rundll32's DLL,
// t a file the program needs, a other argument, o a file the program
// writes itself (a log, its settings, a redirection's target).
// $T is a plain folder, $A one with blanks in its names, $N the 64-bit system
// folder (the only one on 32-bit Windows), $W the 32-bit one.
const struct {
    const char* name;
    const char* line;
} kShapes[] = {
    {"quoted", "\"{p|$A\\uninst.exe}\" /S"},
    {"quoted, no arguments", "\"{p|$A\\tray.exe}\""},
    {"quoted, long switch", "\"{p|$A\\tray.exe}\" --minimized"},
    {"unquoted with blanks", "{p|$A\\Uninst.EXE} /S"},
    {"unquoted alone", "{p|$A\\tray2.exe}"},
    {"com", "{p|$A\\remove.com} /x"},
    {"bat then an exe argument", "{p|$T\\x\\uninst.bat} {a|$T\\x\\tool.exe}"},
    {"cmd", "{p|$A\\uninst.cmd} /x"},
    {"quoted cmd", "\"{p|$A\\logon.cmd}\" /q"},
    {"no extension", "{p|$A\\setup|$A\\setup.exe} /remove"},
    {"quoted, no extension", "\"{p|$T\\noext|$T\\noext.exe}\" -x"},
    {"quoted script", "\"{p|$T\\setup.exe}\" /remove \"{t|$A\\setup.isu}\" /q"},
    // Apostrophes do not hold blanks together: a file between them has none.
    {"single-quoted script", "{p|$T\\setup.exe} '{t|$T\\a.isu}'"},
    {"quoted log and settings", "\"{p|$T\\setup.exe}\" /remove \"{o|$A\\setup.log}\" '{o|$T\\a.ini}'"},
    {"log file switches", "\"{p|$T\\app.exe}\" --log-file=\"{o|$A\\a.log}\" /LOGFILE=\"{o|$T\\b.log}\" "
                          "--logfile \"{o|$A\\c.isu}\" -LogPath \"{o|$A\\d.isu}\""},
    {"settings files", "\"{p|$T\\app.exe}\" -c \"{o|$A\\my.ini}\" --config \"{o|$T\\b.ini}\""},
    {"redirected", "{p|$A\\clean.exe} /x > \"{o|$A\\rm.isu}\""},
    {"-f log", "{p|$T\\IsUninst.exe} -f\"{t|$A\\Setup.LOG}\""},
    {"whole tail, redirected", "{p|$T\\unwise2.exe} {t|$A\\INSTALL2.LOG} > {o|$T\\out.log}"},
    {"-f quoted", "{p|$T\\IsUninst.exe} -f\"{t|$A\\Uninst.isu}\""},
    {"-f unquoted with blanks", "{p|$T\\IsUninst.exe} -f{t|$A\\DeIsL1.isu}"},
    {"-f unquoted, then a switch", "{p|$T\\IsUninst.exe} -f{t|$A\\DeIsL2.isu} -c\"{a|$A\\setup.dll}\""},
    {"whole tail", "{p|$T\\unwise.exe} {t|$A\\INSTALL.LOG}"},
    {"tail with a switch", "{p|$T\\uninst.exe} {a|$T\\setup.ini} /LOG={o|$T\\Temp\\u.log}"},
    {"msiexec log switches",
     "\"{p|$T\\setup.exe}\" /L*V \"{o|$T\\o1.log}\" /lv+ \"{o|$T\\o2.log}\" /l*vx! {o|$T\\o3.log} /l {o|$T\\o4.log}"},
    {"other log switches", "\"{p|$T\\setup.exe}\" /LOG=\"{o|$T\\o5.log}\" /LOG:{o|$T\\o6.log} /log \"{o|$T\\o7.log}\" "
                           "-log {o|$T\\o8.log} /L*V\"{o|$T\\o9.log}\" /LOG= {o|$T\\o10.log} -Log '{o|$T\\o11.log}' "
                           "\"{t|$T\\keep.isu}\""},
    {"rundll32", "RunDll32.exe {d|$T\\setup.dll},Uninstall"},
    {"rundll32, quoted DLL", "rundll32.exe \"{d|$A\\helper.dll}\",Start"},
    {"rundll32 by path", "\"C:\\Windows\\System32\\rundll32.exe\" \"{d|$T\\h2.dll}\",Run /x \"{t|$T\\r.isu}\""},
    {"rundll32, bare DLL", "rundll32 shell32.dll,Control_RunDLL {a|$T\\desk.cpl}"},
    {"bare, 64-bit system folder", "{b|ovra_cl_n.exe|$N\\ovra_cl_n.exe} /x"},
    {"bare quoted", "\"{b|ovra_cl_q.exe|$N\\ovra_cl_q.exe}\" /x"},
    {"bare, 32-bit system folder, no extension", "{b|ovra_cl_w|$W\\ovra_cl_w.exe} /x"},
};

struct Named {
    std::string file;
    char role;
};

struct Line {
    std::string name;
    std::string text;
    std::vector<Named> named;
};

// The system folders as this process writes into them.
void SystemFolders(std::string& native, std::string& wow)
{
    char folder[MAX_PATH] = "";
    GetSystemDirectoryA(folder, MAX_PATH);
    native = folder;
    BOOL wow64 = FALSE;
    if (sizeof(void*) == 8) {
        wow = GetSystemWow64DirectoryA(folder, MAX_PATH) ? folder : "";
    } else if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64) {
        wow = native; // redirected to SysWOW64
        GetWindowsDirectoryA(folder, MAX_PATH);
        native = std::string(folder) + "\\Sysnative";
    }
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The line a shape makes, or false when it needs a folder this system lacks.
bool Make(const char* name, const char* shape, const std::map<std::string, std::string>& folders, Line& line)
{
    std::string text = shape;
    for (const auto& folder : folders) {
        if (text.find(folder.first) != std::string::npos && folder.second.empty())
            return false;
        text = Replace(text, folder.first, folder.second);
    }
    line.name = std::string("ovra cl ") + name;
    for (size_t open = text.find('{'); open != std::string::npos; open = text.find('{', open)) {
        const size_t close = text.find('}', open);
        const std::string mark = text.substr(open + 1, close - open - 1);
        const size_t bar = mark.find('|', 2);
        const std::string spelling = mark.substr(2, bar == std::string::npos ? std::string::npos : bar - 2);
        line.named.push_back({bar == std::string::npos ? spelling : mark.substr(bar + 1), mark[0]});
        text.replace(open, close - open + 1, spelling);
    }
    line.text = text;
    return true;
}

std::string Folded(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return text;
}

std::set<std::string> Names(const std::vector<ovra::JobResult>& results)
{
    std::set<std::string> names;
    for (const auto& record : results)
        if (record.sName.compare(0, 8, "ovra cl ") == 0)
            names.insert(record.sName);
    return names;
}

class CommandLines : public testing::Test {
protected:
    void SetUp() override
    {
        delete_tree(HKEY_LOCAL_MACHINE, kUninstall);
        delete_tree(HKEY_LOCAL_MACHINE, kRun);
        add_key(HKEY_LOCAL_MACHINE, kRun);
    }
    void TearDown() override
    {
        delete_tree(HKEY_LOCAL_MACHINE, kUninstall);
        delete_tree(HKEY_LOCAL_MACHINE, kRun);
        add_key(HKEY_LOCAL_MACHINE, kRun);
        for (const auto& file : m_files)
            delete_file(file.second.c_str());
        remove_dir_tree(kTop);
    }
    std::map<std::string, std::string> m_files; // folded name -> name
};

} // namespace

TEST_F(CommandLines, ReportedExactlyWhenANeededFileIsGone)
{
    std::string native, wow;
    SystemFolders(native, wow);
    const std::string app = std::string(kTop) + "\\Program Files\\App Dir";
    const std::map<std::string, std::string> folders = {{"$A", app}, {"$T", kTop}, {"$N", native}, {"$W", wow}};
    for (const std::string& folder : {std::string(kTop), std::string(kTop) + "\\Program Files", app,
                                      std::string(kTop) + "\\x", std::string(kTop) + "\\Temp"})
        create_dir(folder.c_str());

    std::vector<Line> lines;
    for (const auto& shape : kShapes) {
        Line line;
        if (!Make(shape.name, shape.line, folders, line)) {
            std::printf("not on this system (no 32-bit system folder): %s\n", shape.name);
            continue;
        }
        add_sz(HKEY_LOCAL_MACHINE, kRun, line.name.c_str(), line.text.c_str());
        add_sz(HKEY_LOCAL_MACHINE, (std::string(kUninstall) + "\\" + line.name).c_str(), "UninstallString",
               line.text.c_str());
        for (const Named& named : line.named)
            m_files[Folded(named.file)] = named.file;
        lines.push_back(line);
    }
    for (const auto& file : m_files)
        create_file(file.second.c_str(), "x");

    ovra::StartupProgsJob startup;
    ovra::AddRemProgsJob uninstall;
    EXPECT_EQ(Names(RunJob(startup)), std::set<std::string>{});
    EXPECT_EQ(Names(RunJob(uninstall)), std::set<std::string>{});

    for (const auto& file : m_files) {
        SCOPED_TRACE("without " + file.second);
        std::set<std::string> deadAtStartup, deadUninstall;
        for (const Line& line : lines) {
            for (const Named& named : line.named) {
                if (Folded(named.file) != file.first)
                    continue;
                // Startup lines leave bare names to the shell, which also
                // resolves App Paths.
                if (std::string("pdt").find(named.role) != std::string::npos)
                    deadAtStartup.insert(line.name);
                if (std::string("pbdt").find(named.role) != std::string::npos)
                    deadUninstall.insert(line.name);
            }
        }
        delete_file(file.second.c_str());
        EXPECT_EQ(Names(RunJob(startup)), deadAtStartup);
        EXPECT_EQ(Names(RunJob(uninstall)), deadUninstall);
        create_file(file.second.c_str(), "x");
    }
}
