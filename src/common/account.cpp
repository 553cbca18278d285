#include "common/account.h"

#include "common/text.h"

namespace hollin {
namespace {

// The system's service accounts, which have no user of their own.
struct ServiceAccount {
  const char* sid;
  AccountCheck::Service which;
};
constexpr ServiceAccount kServiceAccounts[] = {
    {"S-1-5-18", AccountCheck::Service::LocalSystem},
    {"S-1-5-19", AccountCheck::Service::LocalService},
    {"S-1-5-20", AccountCheck::Service::NetworkService},
};

}  // namespace

std::string AccountName(const AccountFacts& facts) { return facts.name.empty() ? facts.sid : facts.name; }

AccountCheck CheckAccount(const AccountFacts& facts) {
  AccountCheck check;
  check.name = AccountName(facts);
  for (const ServiceAccount& service : kServiceAccounts) {
    if (facts.sid != service.sid) continue;
    check.kind = AccountCheck::Kind::ServiceAccount;
    check.service = service.which;
    return check;
  }
  if (facts.defaultProfile) {
    check.kind = AccountCheck::Kind::DefaultProfile;
    return check;
  }
  if (!facts.signedIn.empty() && !facts.name.empty() && !EqualsNoCase(facts.signedIn, facts.name)) {
    check.kind = AccountCheck::Kind::OtherThanSignedIn;
    check.name = facts.name;
    check.signedIn = facts.signedIn;
    check.elevated = facts.elevated;
  }
  return check;
}

}  // namespace hollin
