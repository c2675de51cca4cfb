#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ovra {

// The user this program runs as.
class UserAccount {
public:
    // The user's SID, copied out of the process token.
    static bool CurrentSid(std::vector<BYTE>& sid);

    // The same in its string form ("S-1-5-21-..."), as HKEY_USERS names
    // the user's hive.
    static bool CurrentSidText(std::string& text);
};

} // namespace ovra
