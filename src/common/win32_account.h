// The Win32 binding of common/account.h: what the process's token, the
// session and HKEY_USERS say about the account this process runs as.
#pragma once

#include "common/account.h"

namespace hollin {

// The token's user (its name by LookupAccountSidW, its identifier by
// ConvertSidToStringSidW) and elevation; the session's user
// (WTSQuerySessionInformationW: WTSUserName and WTSDomainName); and whether
// that user's hive is loaded under HKEY_USERS, without which
// HKEY_CURRENT_USER is the default profile. What cannot be told stays empty.
AccountFacts ReadAccountFacts();

}  // namespace hollin
