#include "ovraTestRegistry.h"

#include "platform/ovraRegView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace ovratest {

namespace {

// Tests name keys as the program does, in the machine's native view: a
// 32-bit twin is spelt with its Wow6432Node in both builds.
REGSAM Native()
{
    return ovra::RegView::Native();
}

std::string Hex(const void* data, DWORD size)
{
    std::string out;
    const auto* bytes = static_cast<const unsigned char*>(data);
    char byte[4];
    for (DWORD i = 0; i < size; ++i) {
        std::snprintf(byte, sizeof(byte), "%02x", bytes[i]);
        out += byte;
    }
    return out;
}

void DumpKey(HKEY key, const std::string& indent, std::string& out)
{
    DWORD subkeys = 0, values = 0, maxSub = 0, maxName = 0, maxData = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &maxSub, nullptr, &values, &maxName, &maxData,
                         nullptr, nullptr) != ERROR_SUCCESS) {
        out += indent + "<unreadable>\n";
        return;
    }
    std::vector<char> name(maxName + 2);
    std::vector<BYTE> data(maxData + 2);
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLen = static_cast<DWORD>(name.size()), dataLen = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueA(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen) != ERROR_SUCCESS) {
            out += indent + "<value unreadable>\n";
            continue;
        }
        char head[64];
        std::snprintf(head, sizeof(head), " type=%lu size=%lu ", static_cast<unsigned long>(type),
                      static_cast<unsigned long>(dataLen));
        out += indent + "value '" + std::string(name.data(), nameLen) + "'" + head + Hex(data.data(), dataLen) + "\n";
    }
    std::vector<char> sub(maxSub + 2);
    for (DWORD i = 0; i < subkeys; ++i) {
        DWORD subLen = static_cast<DWORD>(sub.size());
        if (RegEnumKeyExA(key, i, sub.data(), &subLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            out += indent + "<subkey unreadable>\n";
            continue;
        }
        out += indent + "key '" + std::string(sub.data(), subLen) + "'\n";
        HKEY child = nullptr;
        if (RegOpenKeyExA(key, sub.data(), 0, KEY_READ | Native(), &child) == ERROR_SUCCESS) {
            DumpKey(child, indent + "  ", out);
            RegCloseKey(child);
        } else {
            out += indent + "  <unopenable>\n";
        }
    }
}

LONG DeleteTreeA(HKEY root, const char* path)
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS | Native(), &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    // On the heap: trees hundreds of levels deep must not exhaust the stack.
    std::vector<char> name(16384);
    for (;;) {
        DWORD len = static_cast<DWORD>(name.size());
        if (RegEnumKeyExA(key, 0, name.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (DeleteTreeA(key, name.data()) != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
    return RegDeleteKeyExA(root, path, Native(), 0);
}

} // namespace

void add_key_(const char* file, int line, HKEY root, const char* path)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS | Native(), nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) {
        ADD_FAILURE_AT(file, line) << "RegCreateKeyExA(" << path << ") failed: " << rc;
        return;
    }
    RegCloseKey(key);
}

void add_value_(const char* file, int line, HKEY root, const char* path, const char* name, DWORD type,
                const void* data, DWORD size)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS | Native(), nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) {
        ADD_FAILURE_AT(file, line) << "RegCreateKeyExA(" << path << ") failed: " << rc;
        return;
    }
    rc = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        ADD_FAILURE_AT(file, line) << "RegSetValueExA(" << path << ", " << (name ? name : "(default)")
                                   << ") failed: " << rc;
}

void add_sz_(const char* file, int line, HKEY root, const char* path, const char* name, const char* text, DWORD type)
{
    add_value_(file, line, root, path, name, type, text, static_cast<DWORD>(std::strlen(text) + 1));
}

void verify_value_(const char* file, int line, HKEY root, const char* path, const char* name, DWORD type,
                   const void* data, DWORD size)
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(root, path, 0, KEY_READ | Native(), &key);
    if (rc != ERROR_SUCCESS) {
        ADD_FAILURE_AT(file, line) << "key " << path << " missing: " << rc;
        return;
    }
    DWORD gotType = 0, gotSize = 0;
    rc = RegQueryValueExA(key, name, nullptr, &gotType, nullptr, &gotSize);
    std::vector<BYTE> got(gotSize + 1);
    if (rc == ERROR_SUCCESS)
        rc = RegQueryValueExA(key, name, nullptr, &gotType, got.data(), &gotSize);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        ADD_FAILURE_AT(file, line) << "value " << path << "\\" << (name ? name : "(default)") << " missing: " << rc;
        return;
    }
    if (gotType != type)
        ADD_FAILURE_AT(file, line) << "value " << (name ? name : "(default)") << " type " << gotType << ", expected "
                                   << type;
    if (gotSize != size || (size && std::memcmp(got.data(), data, size) != 0))
        ADD_FAILURE_AT(file, line) << "value " << (name ? name : "(default)") << " data " << Hex(got.data(), gotSize)
                                   << ", expected " << Hex(data, size);
}

void verify_value_missing_(const char* file, int line, HKEY root, const char* path, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ | Native(), &key) != ERROR_SUCCESS)
        return;
    LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    if (rc != ERROR_FILE_NOT_FOUND)
        ADD_FAILURE_AT(file, line) << "value " << path << "\\" << (name ? name : "(default)")
                                   << " still present (" << rc << ")";
}

void verify_key_(const char* file, int line, HKEY root, const char* path)
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(root, path, 0, KEY_READ | Native(), &key);
    if (rc != ERROR_SUCCESS)
        ADD_FAILURE_AT(file, line) << "key " << path << " missing: " << rc;
    else
        RegCloseKey(key);
}

void verify_key_missing_(const char* file, int line, HKEY root, const char* path)
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(root, path, 0, KEY_READ | Native(), &key);
    if (rc == ERROR_SUCCESS) {
        RegCloseKey(key);
        ADD_FAILURE_AT(file, line) << "key " << path << " still present";
    } else if (rc != ERROR_FILE_NOT_FOUND) {
        ADD_FAILURE_AT(file, line) << "key " << path << ": unexpected " << rc;
    }
}

void delete_tree_(const char* file, int line, HKEY root, const char* path)
{
    LONG rc = DeleteTreeA(root, path);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
        ADD_FAILURE_AT(file, line) << "deleting " << path << " failed: " << rc;
}

void delete_value_(const char* file, int line, HKEY root, const char* path, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_SET_VALUE | Native(), &key) != ERROR_SUCCESS)
        return;
    LONG rc = RegDeleteValueA(key, name);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
        ADD_FAILURE_AT(file, line) << "deleting value " << path << "\\" << name << " failed: " << rc;
}

bool value_present(HKEY root, const char* path, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ | Native(), &key) != ERROR_SUCCESS)
        return false;
    const bool found = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

bool set_key_access(HKEY root, const char* path, DWORD denied, DWORD allowed)
{
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return false;
    alignas(DWORD) BYTE buffer[256];
    PACL acl = reinterpret_cast<PACL>(buffer);
    bool built = InitializeAcl(acl, sizeof(buffer), ACL_REVISION) &&
                 (!denied || AddAccessDeniedAce(acl, ACL_REVISION, denied, everyone)) &&
                 (!allowed || AddAccessAllowedAce(acl, ACL_REVISION, allowed, everyone));
    FreeSid(everyone);
    HKEY key = nullptr;
    if (!built || RegOpenKeyExA(root, path, 0, WRITE_DAC | Native(), &key) != ERROR_SUCCESS)
        return false;
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, denied || allowed ? acl : nullptr, FALSE);
    const bool set = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
    RegCloseKey(key);
    return set;
}

void create_file_(const char* file, int line, const char* path, const char* content)
{
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ADD_FAILURE_AT(file, line) << "cannot create " << path << ": " << GetLastError();
        return;
    }
    DWORD written = 0;
    WriteFile(h, content, static_cast<DWORD>(std::strlen(content)), &written, nullptr);
    CloseHandle(h);
}

void create_dir_(const char* file, int line, const char* path)
{
    // Creates every missing folder along the path.
    std::string partial;
    for (const char* p = path; *p; ++p) {
        partial += *p;
        if ((*p == '\\' && partial.size() > 3) || p[1] == '\0')
            CreateDirectoryA(partial.c_str(), nullptr);
    }
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        ADD_FAILURE_AT(file, line) << "cannot create folder " << path;
}

void delete_file_(const char* file, int line, const char* path)
{
    if (!DeleteFileA(path) && GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND)
        ADD_FAILURE_AT(file, line) << "cannot delete " << path << ": " << GetLastError();
}

void remove_dir_tree_(const char* file, int line, const char* path)
{
    std::string pattern = std::string(path) + "\\*";
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(pattern.c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!std::strcmp(fd.cFileName, ".") || !std::strcmp(fd.cFileName, ".."))
                continue;
            std::string child = std::string(path) + "\\" + fd.cFileName;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_dir_tree_(file, line, child.c_str());
            else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(find, &fd));
        FindClose(find);
    }
    if (!RemoveDirectoryA(path) && GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND)
        ADD_FAILURE_AT(file, line) << "cannot remove folder " << path << ": " << GetLastError();
}

std::string dump_tree(HKEY root, const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ | Native(), &key) != ERROR_SUCCESS)
        return "<missing>";
    std::string out;
    DumpKey(key, "", out);
    RegCloseKey(key);
    return out;
}

void add_sz_w_(const char* file, int line, HKEY root, const wchar_t* path, const wchar_t* name,
               const wchar_t* text, DWORD type)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS | Native(), nullptr, &key, nullptr);
    if (rc == ERROR_SUCCESS) {
        rc = RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text),
                            static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    if (rc != ERROR_SUCCESS)
        ADD_FAILURE_AT(file, line) << "setting a wide value failed: " << rc;
}

void delete_tree_w_(const char* file, int line, HKEY root, const wchar_t* path)
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS | Native(), &key);
    if (rc == ERROR_SUCCESS) {
        rc = RegDeleteTreeW(key, nullptr);
        RegCloseKey(key);
    }
    if (rc == ERROR_SUCCESS)
        rc = RegDeleteKeyExW(root, path, Native(), 0);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
        ADD_FAILURE_AT(file, line) << "deleting a wide tree failed: " << rc;
}

namespace {

void DumpKeyW(HKEY key, const std::wstring& prefix, std::wstring& out)
{
    std::vector<wchar_t> name(16384);
    std::vector<BYTE> data(65536);
    std::vector<std::wstring> lines;
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size()), type = 0, size = static_cast<DWORD>(data.size());
        if (RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            break;
        std::wstring line = prefix + L"[" + std::wstring(name.data(), nameLength) + L"] " + std::to_wstring(type) + L":";
        for (DWORD b = 0; b < size; ++b)
            line += L' ' + std::to_wstring(data[b]);
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    for (const std::wstring& line : lines)
        out += line + L"\n";
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subkeys.emplace_back(name.data(), nameLength);
    }
    std::sort(subkeys.begin(), subkeys.end());
    for (const std::wstring& subkey : subkeys) {
        out += prefix + subkey + L"\\\n";
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, subkey.c_str(), 0, KEY_READ | Native(), &child) == ERROR_SUCCESS) {
            DumpKeyW(child, prefix + subkey + L"\\", out);
            RegCloseKey(child);
        }
    }
}

} // namespace

std::wstring dump_tree_w(HKEY root, const wchar_t* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ | Native(), &key) != ERROR_SUCCESS)
        return L"<missing>";
    std::wstring out;
    DumpKeyW(key, L"", out);
    RegCloseKey(key);
    return out;
}

void create_file_w_(const char* file, int line, const wchar_t* path)
{
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        ADD_FAILURE_AT(file, line) << "cannot create a wide-named file: " << GetLastError();
    else
        CloseHandle(h);
}

void remove_dir_tree_w_(const char* file, int line, const wchar_t* path)
{
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((std::wstring(path) + L"\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = std::wstring(path) + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_dir_tree_w_(file, line, child.c_str());
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(find, &fd));
        FindClose(find);
    }
    if (!RemoveDirectoryW(path) && GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND)
        ADD_FAILURE_AT(file, line) << "cannot remove a wide-named folder: " << GetLastError();
}

} // namespace ovratest
