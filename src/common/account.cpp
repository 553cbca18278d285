#include "common/account.h"

#include "common/text.h"

namespace hollin {
namespace {

// The system's service accounts, which have no user of their own.
struct ServiceAccount {
  const char* sid;
  const char* what;
};
constexpr ServiceAccount kServiceAccounts[] = {
    {"S-1-5-18", "LocalSystem, the system's own account"},
    {"S-1-5-19", "LocalService, an account for services"},
    {"S-1-5-20", "NetworkService, an account for services"},
};

}  // namespace

std::string AccountName(const AccountFacts& facts) { return facts.name.empty() ? facts.sid : facts.name; }

AccountCheck CheckAccount(const AccountFacts& facts) {
  AccountCheck check;
  const std::string name = AccountName(facts);
  for (const ServiceAccount& service : kServiceAccounts) {
    if (facts.sid != service.sid) continue;
    check.refused = true;
    check.why = "it runs as " + name + " (" + service.what +
                "), whose file associations are nobody's: Windows opens files with the settings of the user "
                "signed in.";
    return check;
  }
  if (facts.defaultProfile) {
    check.refused = true;
    check.why = "the profile of " + (name.empty() ? std::string("its account") : name) +
                " is not loaded, so its HKEY_CURRENT_USER is the default profile (HKEY_USERS\\.DEFAULT), "
                "which no user's files open with.";
    return check;
  }
  if (!facts.signedIn.empty() && !facts.name.empty() && !EqualsNoCase(facts.signedIn, facts.name))
    check.other = "The settings checked are those of " + facts.name + (facts.elevated ? " (elevated)" : "") +
                  ", not those of " + facts.signedIn + ", who is signed in.";
  return check;
}

}  // namespace hollin
