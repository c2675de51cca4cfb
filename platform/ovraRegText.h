#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace ovra {

// Size of every name, data, expansion, path and display buffer of the checks.
constexpr DWORD kRegTextSize = 2048;

// Turns registry data into text the checks can judge or show, always within
// kRegTextSize bytes.
class RegText {
public:
    // Whose entry a text belongs to. A per-user variable (%APPDATA%,
    // %USERPROFILE%, %TEMP%, ...) in a machine-wide entry names another
    // folder for every user who logs on: the one it names for whoever scans
    // says nothing about the others, so such text is not judged. In the
    // user's own entries it names that user's folder and is judged.
    enum class Owner { kUser, kMachine };

    // The owner of entries below root: the user for HKEY_CURRENT_USER (its
    // classes included), the machine for the other roots.
    static Owner OwnerOf(HKEY root);

    // True when text refers to one of the per-user variables (any case).
    static bool NamesUserVariable(const char* text);

    // The text of string data read into data (kRegTextSize bytes, length bytes
    // used): REG_SZ as stored, REG_EXPAND_SZ expanded into expanded (also
    // kRegTextSize bytes). Null for any other type, for data with no room left
    // for its end, and for an expansion that does not fit: a cut path would
    // name something else and could call a live entry dead.
    // REG_EXPAND_SZ data whose expansion the code page cannot hold exactly
    // (a variable naming a folder in another script) is null as well, and
    // so is a machine-wide entry's that names a per-user variable.
    static const char* StringData(DWORD type, char* data, DWORD length, char* expanded, Owner owner);

    // Turns data read with the wide functions (size bytes) into what the
    // byte-string functions give, in data (kRegTextSize bytes, length bytes
    // used): string types converted, others copied. False when string data
    // holds text the code page cannot hold exactly, or the result does not
    // fit: such data is never judged.
    static bool FromWide(DWORD type, const BYTE* wide, DWORD size, char* data, DWORD& length);

    // The value valueName (null: the default value) of an open key as text,
    // read with the wide functions and turned into text as StringData does.
    static const char* QueryString(HKEY key, const char* valueName, char* data, char* expanded, Owner owner);

    // The default value of the key path below parent as text, read into data
    // and expanded into expanded as StringData does; null when the key does
    // not open or the value is absent, too long or not a string. The key is
    // open only inside this call.
    static const char* DefaultValue(HKEY parent, const char* path, char* data, char* expanded, Owner owner);

    // False when the value name of key, or its string data, holds text the
    // code page cannot hold exactly: the byte-string functions would save and
    // restore another text. A value that cannot be read is not judged here.
    static bool ValueFitsCodePage(HKEY key, const char* name);

    // The same for every key name, value name and string data of the tree
    // below key, key itself included.
    static bool TreeFitsCodePage(HKEY key);

    // The same for an entry below keyPath: its value name, or (subkey) its
    // subkey name with the whole tree below it.
    static bool EntryFitsCodePage(HKEY root, const char* keyPath, const char* name, bool subkey);
    // The same below parent, the key at keyPath already open.
    static bool EntryFitsCodePage(HKEY parent, const char* name, bool subkey);

    // Writes a path or key path into buffer (kRegTextSize bytes). False when
    // it does not fit: such a path is never judged or opened.
    static bool Compose(char* buffer, const char* format, ...);

    // A display text; one longer than kRegTextSize - 1 characters is cut
    // there, since it is only shown.
    static std::string Display(const char* format, ...);
};

} // namespace ovra
