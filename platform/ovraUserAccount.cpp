#include "platform/ovraUserAccount.h"

#include "platform/ovraFileHandle.h"
#include "platform/ovraLocalMemory.h"

#include <sddl.h>

namespace ovra {

bool UserAccount::CurrentSid(std::vector<BYTE>& sid)
{
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened))
        return false;
    const FileHandle token(opened);
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (size == 0 || !GetTokenInformation(token.Get(), TokenUser, user.data(), size, &size))
        return false;
    const PSID userSid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    sid.assign(static_cast<BYTE*>(userSid), static_cast<BYTE*>(userSid) + GetLengthSid(userSid));
    return true;
}

bool UserAccount::CurrentSidText(std::string& text)
{
    std::vector<BYTE> sid;
    LocalMemory converted;
    if (!CurrentSid(sid) || !ConvertSidToStringSidA(sid.data(), reinterpret_cast<char**>(converted.Receive())))
        return false;
    text = static_cast<const char*>(converted.Get());
    return true;
}

} // namespace ovra
