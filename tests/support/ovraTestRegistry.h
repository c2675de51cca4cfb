#pragma once

// Small registry and file helpers for tests against the prefix's real
// registry, in the manner of Wine's own reg tests: each takes the caller's
// file and line so a failure points at the test, not at the helper.
#include <windows.h>

#include <string>

namespace ovratest {

void add_key_(const char* file, int line, HKEY root, const char* path);
void add_value_(const char* file, int line, HKEY root, const char* path, const char* name, DWORD type,
                const void* data, DWORD size);
void add_sz_(const char* file, int line, HKEY root, const char* path, const char* name, const char* text,
             DWORD type);
void verify_value_(const char* file, int line, HKEY root, const char* path, const char* name, DWORD type,
                   const void* data, DWORD size);
void verify_value_missing_(const char* file, int line, HKEY root, const char* path, const char* name);
void verify_key_(const char* file, int line, HKEY root, const char* path);
void verify_key_missing_(const char* file, int line, HKEY root, const char* path);
void delete_tree_(const char* file, int line, HKEY root, const char* path);
void delete_value_(const char* file, int line, HKEY root, const char* path, const char* name);

void create_file_(const char* file, int line, const char* path, const char* content = "");
void create_dir_(const char* file, int line, const char* path);
void delete_file_(const char* file, int line, const char* path);
void remove_dir_tree_(const char* file, int line, const char* path);

// True when the key opens and holds the value (null: the default value).
bool value_present(HKEY root, const char* path, const char* name);

// Gives a key an access list for everyone: denied rights first (none: no
// such entry), then allowed ones. Both 0: no list, everyone may do anything.
bool set_key_access(HKEY root, const char* path, DWORD denied, DWORD allowed);

// Everything a scan or a restore could see of a key tree, in a stable text
// form: names, types and data bytes, depth first. Used to compare trees.
std::string dump_tree(HKEY root, const char* path);

// The same through the wide functions, for names and data in any script:
// values set and trees dumped and deleted exactly, UTF-16 for UTF-16, and
// files and folders made and removed by their UTF-16 names.
void add_sz_w_(const char* file, int line, HKEY root, const wchar_t* path, const wchar_t* name,
               const wchar_t* text, DWORD type);
void delete_tree_w_(const char* file, int line, HKEY root, const wchar_t* path);
std::wstring dump_tree_w(HKEY root, const wchar_t* path);
void create_file_w_(const char* file, int line, const wchar_t* path);
void remove_dir_tree_w_(const char* file, int line, const wchar_t* path);

} // namespace ovratest

#define add_key(r, p) ovratest::add_key_(__FILE__, __LINE__, r, p)
#define add_value(r, p, n, t, d, s) ovratest::add_value_(__FILE__, __LINE__, r, p, n, t, d, s)
#define add_sz(r, p, n, text) ovratest::add_sz_(__FILE__, __LINE__, r, p, n, text, REG_SZ)
#define add_expand_sz(r, p, n, text) ovratest::add_sz_(__FILE__, __LINE__, r, p, n, text, REG_EXPAND_SZ)
#define verify_value(r, p, n, t, d, s) ovratest::verify_value_(__FILE__, __LINE__, r, p, n, t, d, s)
#define verify_value_missing(r, p, n) ovratest::verify_value_missing_(__FILE__, __LINE__, r, p, n)
#define verify_key(r, p) ovratest::verify_key_(__FILE__, __LINE__, r, p)
#define verify_key_missing(r, p) ovratest::verify_key_missing_(__FILE__, __LINE__, r, p)
#define delete_tree(r, p) ovratest::delete_tree_(__FILE__, __LINE__, r, p)
#define delete_value(r, p, n) ovratest::delete_value_(__FILE__, __LINE__, r, p, n)
#define create_file(...) ovratest::create_file_(__FILE__, __LINE__, __VA_ARGS__)
#define create_dir(p) ovratest::create_dir_(__FILE__, __LINE__, p)
#define delete_file(p) ovratest::delete_file_(__FILE__, __LINE__, p)
#define remove_dir_tree(p) ovratest::remove_dir_tree_(__FILE__, __LINE__, p)
#define add_sz_w(r, p, n, text) ovratest::add_sz_w_(__FILE__, __LINE__, r, p, n, text, REG_SZ)
#define add_expand_sz_w(r, p, n, text) ovratest::add_sz_w_(__FILE__, __LINE__, r, p, n, text, REG_EXPAND_SZ)
#define delete_tree_w(r, p) ovratest::delete_tree_w_(__FILE__, __LINE__, r, p)
#define create_file_w(p) ovratest::create_file_w_(__FILE__, __LINE__, p)
#define remove_dir_tree_w(p) ovratest::remove_dir_tree_w_(__FILE__, __LINE__, p)
