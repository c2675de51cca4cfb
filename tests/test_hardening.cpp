// The built executables as a hostile folder would meet them: their headers ask
// for ASLR (high-entropy for x64) and DEP and are terminal-server aware, they
// carry stack protection, they import only system DLLs, and a DLL planted
// beside the program under a system DLL's name is never loaded.
#include "ovraTestProgram.h"
#include "ovraTestRegistry.h"

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

using namespace ovratest;

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Folder(const std::string& path)
{
    return path.substr(0, path.rfind('\\') + 1);
}

// The executable's bytes and the parts of its PE image the checks need.
class Image {
public:
    explicit Image(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        m_bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        IMAGE_DOS_HEADER dos;
        if (!Get(0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE)
            return;
        DWORD signature = 0;
        m_nt = static_cast<size_t>(dos.e_lfanew);
        const size_t at = m_nt + 4 + sizeof(IMAGE_FILE_HEADER);
        if (!Get(m_nt, signature) || signature != IMAGE_NT_SIGNATURE || !Get(m_nt + 4, file) || !Get(at, magic))
            return;
        if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC && Get(at, optional32)) {
            dllCharacteristics = optional32.DllCharacteristics;
            std::memcpy(directory, optional32.DataDirectory, sizeof(directory));
        } else if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC && Get(at, optional64)) {
            dllCharacteristics = optional64.DllCharacteristics;
            std::memcpy(directory, optional64.DataDirectory, sizeof(directory));
        } else {
            return;
        }
        const size_t sections = m_nt + 4 + sizeof(IMAGE_FILE_HEADER) + file.SizeOfOptionalHeader;
        for (WORD i = 0; i < file.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER section;
            if (!Get(sections + i * sizeof(section), section))
                return;
            m_sections.push_back(section);
        }
        valid = true;
    }

    template <typename T> bool Get(size_t offset, T& out) const
    {
        if (offset > m_bytes.size() || m_bytes.size() - offset < sizeof(T))
            return false;
        std::memcpy(&out, m_bytes.data() + offset, sizeof(T));
        return true;
    }

    bool HasSection(const char* name) const
    {
        for (const IMAGE_SECTION_HEADER& s : m_sections)
            if (std::strncmp(reinterpret_cast<const char*>(s.Name), name, IMAGE_SIZEOF_SHORT_NAME) == 0)
                return true;
        return false;
    }

    // File offset of a relative virtual address; false outside every section.
    bool Offset(DWORD rva, size_t& offset) const
    {
        for (const IMAGE_SECTION_HEADER& s : m_sections) {
            if (rva >= s.VirtualAddress && rva - s.VirtualAddress < s.SizeOfRawData) {
                offset = s.PointerToRawData + (rva - s.VirtualAddress);
                return true;
            }
        }
        return false;
    }

    std::string String(size_t offset) const
    {
        std::string text;
        while (offset < m_bytes.size() && m_bytes[offset])
            text += m_bytes[offset++];
        return text;
    }

    // Names of the DLLs in the import table, as written there.
    std::vector<std::string> Imports() const
    {
        std::vector<std::string> names;
        const IMAGE_DATA_DIRECTORY& dir = directory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        size_t at = 0;
        if (dir.Size == 0 || !Offset(dir.VirtualAddress, at))
            return names;
        for (IMAGE_IMPORT_DESCRIPTOR d; Get(at, d) && d.Name != 0; at += sizeof(d)) {
            size_t name = 0;
            if (Offset(d.Name, name))
                names.push_back(String(name));
        }
        return names;
    }

    // Names of the functions imported by name, from every DLL.
    std::set<std::string> ImportedFunctions() const
    {
        std::set<std::string> names;
        const IMAGE_DATA_DIRECTORY& dir = directory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        size_t at = 0;
        if (dir.Size == 0 || !Offset(dir.VirtualAddress, at))
            return names;
        const bool wide = magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
        for (IMAGE_IMPORT_DESCRIPTOR d; Get(at, d) && d.Name != 0; at += sizeof(d)) {
            size_t thunk = 0;
            const DWORD first = d.OriginalFirstThunk ? d.OriginalFirstThunk : d.FirstThunk;
            if (!Offset(first, thunk))
                continue;
            for (;; thunk += wide ? 8 : 4) {
                unsigned long long entry = 0;
                DWORD narrow = 0;
                if (wide ? !Get(thunk, entry) : !Get(thunk, narrow))
                    break;
                if (!wide)
                    entry = narrow;
                if (entry == 0)
                    break;
                const bool byOrdinal = (entry >> (wide ? 63 : 31)) & 1;
                size_t hint = 0;
                if (!byOrdinal && Offset(static_cast<DWORD>(entry), hint))
                    names.insert(String(hint + 2));
            }
        }
        return names;
    }

    // Names in the COFF symbol table the linker leaves in an unstripped image.
    std::set<std::string> Symbols() const
    {
        std::set<std::string> names;
        const size_t table = file.PointerToSymbolTable;
        const size_t strings = table + static_cast<size_t>(file.NumberOfSymbols) * 18;
        for (DWORD i = 0; i < file.NumberOfSymbols; ++i) {
            char raw[18];
            if (!Get(table + i * 18, raw))
                break;
            DWORD zeroes = 0, offset = 0;
            std::memcpy(&zeroes, raw, 4);
            std::memcpy(&offset, raw + 4, 4);
            if (zeroes == 0)
                names.insert(String(strings + offset));
            else
                names.insert(std::string(raw, std::find(raw, raw + 8, '\0')));
            i += static_cast<unsigned char>(raw[17]); // auxiliary records
        }
        return names;
    }

    bool valid = false;
    IMAGE_FILE_HEADER file = {};
    WORD magic = 0;
    WORD dllCharacteristics = 0;
    IMAGE_DATA_DIRECTORY directory[IMAGE_NUMBEROF_DIRECTORY_ENTRIES] = {};

private:
    IMAGE_OPTIONAL_HEADER32 optional32 = {};
    IMAGE_OPTIONAL_HEADER64 optional64 = {};

    std::vector<char> m_bytes;
    size_t m_nt = 0;
    std::vector<IMAGE_SECTION_HEADER> m_sections;
};

// The two programs: this tree's own, and the other architecture's from its
// tree beside this one (build/x86 and build/x64), so that a host that runs
// only one of them still has both headers checked.
struct Program {
    std::string path;
    bool x64;
};

std::vector<Program> Programs()
{
    const bool x64 = sizeof(void*) == 8;
    const std::string tree = Folder(ProgramPath());
    const std::string peer = Folder(tree.substr(0, tree.size() - 1)) +
                             (x64 ? "x86\\OvraHivemend.exe" : "x64\\OvraHivemend64.exe");
    std::vector<Program> programs = {{ProgramPath(), x64}};
    if (GetFileAttributesA(peer.c_str()) != INVALID_FILE_ATTRIBUTES)
        programs.push_back({peer, !x64});
    else
        std::printf("the other build's program is not at %s: only this one's header is checked\n", peer.c_str());
    return programs;
}

} // namespace

TEST(ExecutableHeader, AsksForAslrAndDepAndKeepsItsRelocations)
{
    for (const Program& program : Programs()) {
        SCOPED_TRACE(program.path);
        const Image image(program.path);
        ASSERT_TRUE(image.valid);
        EXPECT_EQ(image.file.Machine, program.x64 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386);
        EXPECT_EQ(image.magic, program.x64 ? IMAGE_NT_OPTIONAL_HDR64_MAGIC : IMAGE_NT_OPTIONAL_HDR32_MAGIC);
        EXPECT_TRUE(image.dllCharacteristics & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE);
        EXPECT_TRUE(image.dllCharacteristics & IMAGE_DLLCHARACTERISTICS_NX_COMPAT);
        // Without it a Remote Desktop host gives the program a per-user
        // Windows folder, where the font check would find no font.
        EXPECT_TRUE(image.dllCharacteristics & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE);
        // A 64-bit image uses the whole address space for ASLR only when asked.
        EXPECT_EQ((image.dllCharacteristics & IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA) != 0, program.x64);
        // Without relocations the loader cannot move the image, and ASLR is
        // only a flag.
        EXPECT_FALSE(image.file.Characteristics & IMAGE_FILE_RELOCS_STRIPPED);
        EXPECT_GT(image.directory[IMAGE_DIRECTORY_ENTRY_BASERELOC].Size, 0u);
        EXPECT_TRUE(image.HasSection(".reloc"));
    }
}

TEST(ExecutableHeader, ImportsOnlySystemDlls)
{
    // Loaded before WinMain runs, so each must be one the system never takes
    // from the program's folder (known DLLs; common controls through the
    // manifest). shell32 is not among them: what it imports in turn would be
    // looked up before the search is restricted.
    const std::set<std::string> allowed = {"kernel32.dll", "user32.dll", "gdi32.dll",
                                           "advapi32.dll", "comctl32.dll", "msvcrt.dll"};
    char system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(system, sizeof(system)), 0u);
    for (const Program& program : Programs()) {
        SCOPED_TRACE(program.path);
        const Image image(program.path);
        ASSERT_TRUE(image.valid);
        const std::vector<std::string> imports = image.Imports();
        ASSERT_FALSE(imports.empty());
        for (const std::string& name : imports) {
            EXPECT_TRUE(allowed.count(Lower(name))) << name;
            const std::string inSystem = std::string(system) + "\\" + name;
            EXPECT_NE(GetFileAttributesA(inSystem.c_str()), INVALID_FILE_ATTRIBUTES) << inSystem;
        }
    }
}

// GDI's byte-string text functions read text in the system's code page,
// not in the program's UTF-8: neither program may call one.
TEST(ExecutableHeader, DrawsAndMeasuresTextOnlyWithTheWideFunctions)
{
    for (const Program& program : Programs()) {
        SCOPED_TRACE(program.path);
        const Image image(program.path);
        ASSERT_TRUE(image.valid);
        const std::set<std::string> imported = image.ImportedFunctions();
        EXPECT_TRUE(imported.count("DrawTextW"));
        for (const char* name : {"DrawTextA", "DrawTextExA", "TextOutA", "ExtTextOutA", "TabbedTextOutA",
                                 "GetTextExtentPoint32A", "GetTextExtentPointA"})
            EXPECT_FALSE(imported.count(name)) << name;
    }
}

TEST(ExecutableHeader, CarriesStackProtectionLinkedIn)
{
#ifdef _MSC_VER
    GTEST_SKIP() << "/GS is on (CMakeLists.txt); an MSVC image keeps its symbols in the PDB";
#else
    for (const Program& program : Programs()) {
        SCOPED_TRACE(program.path);
        const Image image(program.path);
        ASSERT_TRUE(image.valid);
        const std::set<std::string> symbols = image.Symbols();
        ASSERT_FALSE(symbols.empty()) << "no symbol table to look in";
        // The guard and the check that -fstack-protector-strong calls are in
        // the image itself: no libssp or runtime DLL is imported (see above).
        // x86 names carry the C prefix "_", x64 names none.
        const std::string prefix = program.x64 ? "" : "_";
        EXPECT_TRUE(symbols.count(prefix + "__stack_chk_fail"));
        EXPECT_TRUE(symbols.count(prefix + "__stack_chk_guard"));
    }
#endif
}

namespace {

// Names of system DLLs that the shell and the window system load by name.
// For the first six Wine prefers a copy found beside the program over its
// own; for the others it takes its own even when it finds a copy there.
const char* const kPlanted[] = {"shcore.dll",  "propsys.dll", "dwmapi.dll",  "userenv.dll",
                                "msctf.dll",   "apphelp.dll", "version.dll", "uxtheme.dll",
                                "msimg32.dll", "winmm.dll"};

// The probe DLL and its host are built beside the tests.
std::string TestFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof(path));
    return Folder(path);
}

// A folder such as a download lands in, with the probe DLL under each
// planted name beside whatever program is put there.
class PlantedDll : public testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(sizeof(temp), temp), 0u);
        folder = std::string(temp) + "ovra_planted\\";
        remove_dir_tree(folder.c_str());
        create_dir(folder.c_str());
        for (const char* name : kPlanted)
            ASSERT_TRUE(CopyFileA((TestFolder() + "ovra_probe.dll").c_str(), (folder + name).c_str(), FALSE));
    }
    void TearDown() override { remove_dir_tree(folder.c_str()); }

    std::vector<std::string> Markers() const
    {
        std::vector<std::string> found;
        for (const char* name : kPlanted)
            if (GetFileAttributesA((folder + name + ".loaded").c_str()) != INVALID_FILE_ATTRIBUTES)
                found.push_back(name);
        return found;
    }

    std::string folder;
};

// Full paths of the modules loaded in a process.
std::vector<std::string> Modules(DWORD process)
{
    std::vector<std::string> paths;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process);
    if (snapshot == INVALID_HANDLE_VALUE)
        return paths;
    MODULEENTRY32 entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry))
        paths.push_back(Lower(entry.szExePath));
    CloseHandle(snapshot);
    return paths;
}

bool ShellLoaded(DWORD process)
{
    for (const std::string& path : Modules(process))
        if (path.size() >= 12 && path.compare(path.size() - 12, 12, "\\shell32.dll") == 0)
            return true;
    return false;
}

} // namespace

// Without a restriction, this system does load a planted DLL from a program's
// folder: the check below would see it.
TEST_F(PlantedDll, IsLoadedByAProgramWithoutRestriction)
{
    const std::string host = folder + "host.exe";
    ASSERT_TRUE(CopyFileA((TestFolder() + "ovra_probe_host.exe").c_str(), host.c_str(), FALSE));
    std::string command = "\"" + host + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi));
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(Markers().empty());
}

TEST_F(PlantedDll, IsNeverLoadedByTheProgram)
{
    const std::string program = folder + ProgramName();
    ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), program.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((Folder(ProgramPath()) + "help.html").c_str(), (folder + "help.html").c_str(), FALSE));
    {
        StartedProgram started;
        // Started from its own folder, as a double click in the folder does.
        ASSERT_TRUE(started.Start(program, folder.c_str()));
        ASSERT_TRUE(started.WaitMainWindow());
        // Nothing has needed the shell yet.
        EXPECT_FALSE(ShellLoaded(started.pi.dwProcessId));

        // The help area opens help.html through the shell, which is loaded now
        // with all it imports.
        PostMessageA(started.main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(640, 25));
        PostMessageA(started.main, WM_LBUTTONUP, 0, MAKELPARAM(640, 25));
        const DWORD start = GetTickCount();
        while (!ShellLoaded(started.pi.dwProcessId) && GetTickCount() - start < 60000)
            Sleep(50);
        ASSERT_TRUE(ShellLoaded(started.pi.dwProcessId));

        PostMessageA(started.main, WM_CLOSE, 0, 0);
        DWORD code = 1;
        ASSERT_TRUE(started.WaitExit(60000, code));
        EXPECT_EQ(code, 0u);
    }
    EXPECT_EQ(Markers(), std::vector<std::string>());
}
