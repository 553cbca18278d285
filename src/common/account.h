// The account a run reads the settings of. File associations, Explorer's
// choices and the base are a user's: a run as one of the system's service
// accounts, or with no profile of its own loaded (its HKEY_CURRENT_USER is
// then the default profile, HKEY_USERS\.DEFAULT), would check and record
// settings no one uses, so both the window and a run for scripts refuse to
// read or write anything there. A run by another account than the one
// signed in (an elevation with an administrator's name and password) is
// allowed, and says whose settings it checked.
#pragma once

#include <string>

namespace hollin {

// What the platform says about the account of this process
// (common/win32_account.h); tests make them up.
struct AccountFacts {
  std::string name;      // DOMAIN\user of the process's token; "" when unknown
  std::string sid;       // its security identifier, "S-1-5-18"; "" when unknown
  std::string signedIn;  // DOMAIN\user signed in to this session; "" when unknown or none
  bool defaultProfile = false;  // HKEY_CURRENT_USER is the default profile
  bool elevated = false;
};

// What the check found, with the facts that tell it: a service account
// (refused: whose settings these would be are no one's), an account whose
// profile is not loaded (refused), another account than the one signed in
// (allowed, and said), or the user signed in.
struct AccountCheck {
  enum class Kind { Ok, ServiceAccount, DefaultProfile, OtherThanSignedIn };
  enum class Service { LocalSystem, LocalService, NetworkService };
  Kind kind = Kind::Ok;
  Service service = Service::LocalSystem;  // ServiceAccount: which
  std::string name;                        // AccountName; "" when unknown
  std::string signedIn;                    // OtherThanSignedIn: who is
  bool elevated = false;
  bool refused() const { return kind == Kind::ServiceAccount || kind == Kind::DefaultProfile; }
  bool other() const { return kind == Kind::OtherThanSignedIn; }
};

AccountCheck CheckAccount(const AccountFacts& facts);

// The account as a report names it: its name, else its identifier.
std::string AccountName(const AccountFacts& facts);

}  // namespace hollin
