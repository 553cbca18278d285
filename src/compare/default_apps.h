// Windows' own Default apps page, where the user sets the program that
// opens a type when Explorer's choice must change: Windows protects that
// choice with a hash only it may compute, so a restore never writes it.
//
// The page takes the program to show as a parameter of its address:
// "ms-settings:defaultapps?registeredAppUser=<name>" for a program whose
// registration is a value of HKEY_CURRENT_USER\Software\RegisteredApplications,
// "registeredAppMachine=<name>" for one of HKEY_LOCAL_MACHINE's,
// "registeredAUMID=<AppUserModelID>" for a packaged app; the value is
// escaped as a URI's data. Without one (and on versions before Windows 11
// that know no parameter) the page lists all default apps.
#pragma once

#include <string>
#include <vector>

#include "registry/reg_entry.h"
#include "registry/registry.h"

namespace hollin {

struct DefaultAppsPage {
  enum class Of { AllApps, UserApp, MachineApp, PackagedApp };
  Of of = Of::AllApps;
  std::string name;  // the registered name, or the packaged app's AppUserModelID
  bool operator==(const DefaultAppsPage&) const = default;
};

inline constexpr const char* kRegisteredApplicationsPath = "Software\\RegisteredApplications";

// The page of the program that progId stands for as the opener of ext: a
// packaged app (progId's "Application" key, in the user classes, the
// machine classes or the class root, names its AppUserModelID); else the
// program registered in the user's, then the machine's RegisteredApplications
// whose capabilities' FileAssociations give ext that identifier; else all
// apps.
DefaultAppsPage DefaultAppsPageFor(IRegistry& reg, const std::string& ext, const std::string& progId);

// The one page for the types' recorded programs: that of each where all
// agree, else all apps. A type the base has no record of counts as all apps.
DefaultAppsPage DefaultAppsPageFor(IRegistry& reg, const AssocEntries& base, const std::vector<std::string>& types);

// The page's address.
std::string DefaultAppsUri(const DefaultAppsPage& page);

}  // namespace hollin
