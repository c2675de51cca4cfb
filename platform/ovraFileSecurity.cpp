#include "platform/ovraFileSecurity.h"

#include "platform/ovraLocalMemory.h"
#include "platform/ovraUserAccount.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

namespace ovra {

namespace {

// The rights with which a file's content can be changed, directly or by
// first granting them to oneself.
const ACCESS_MASK kWriteRights =
    FILE_WRITE_DATA | FILE_APPEND_DATA | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

bool IsTrusted(PSID sid, PSID user)
{
    return IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid) ||
           (user && EqualSid(sid, user));
}

} // namespace

bool FileSecurity::CreateProtectedFolder(const char* folder)
{
    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof(attributes);
    LocalMemory descriptor;
    // P: protected, so nothing is inherited from above; OICI: what is
    // created inside gets the same.
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;FR;;;BU)",
                                                              SDDL_REVISION_1, descriptor.Receive(), nullptr))
        return false;
    attributes.lpSecurityDescriptor = descriptor.Get();
    return CreateDirectoryA(folder, &attributes) != 0;
}

bool FileSecurity::OnlyTrustedWriters(HANDLE file)
{
    PSID owner = nullptr;
    PACL dacl = nullptr;
    LocalMemory descriptor;
    if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                        nullptr, &dacl, nullptr, descriptor.Receive()) != ERROR_SUCCESS)
        return false;
    std::vector<BYTE> userSid;
    const PSID user = UserAccount::CurrentSid(userSid) ? static_cast<PSID>(userSid.data()) : nullptr;
    // No list at all lets everyone do everything.
    if (!owner || !dacl || !IsTrusted(owner, user))
        return false;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry))
            return false;
        const ACE_HEADER* header = static_cast<ACE_HEADER*>(entry);
        if ((header->AceFlags & INHERIT_ONLY_ACE) != 0 || header->AceType == ACCESS_DENIED_ACE_TYPE ||
            header->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE)
            continue;
        // Entries of kinds a file does not normally carry are not read:
        // they might grant anything.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
            return false;
        const ACCESS_ALLOWED_ACE* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        const PSID grantee = const_cast<DWORD*>(&allowed->SidStart);
        if ((allowed->Mask & kWriteRights) != 0 && !IsTrusted(grantee, user))
            return false;
    }
    return true;
}

} // namespace ovra
