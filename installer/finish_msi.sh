#!/usr/bin/env bash
# Writes into a package that wixl made what wixl cannot (hollin.wxs says
# which): the conditions of the components that belong to one installation
# context, the 64-bit view for the machine's Run value, and the type of the
# event source's message file (REG_EXPAND_SZ, "#%" in the Registry table).
# A removal (REMOVE set) enables them all, whatever ALLUSERS says then: a
# component that is not installed is left alone, and one that is goes, also
# where the installer does not restore ALLUSERS in maintenance (Wine's).
# It also adds the actions that let a running guard go of its program
# before the files are checked for use (InstallValidate): on a removal, and
# before an upgrade replaces them. "--guard --stop" ends the guard of the
# session the installer runs in (impersonated, immediate); a guard in
# another session is left to the files-in-use check. Type 34 runs a program
# from a folder, +64 goes on whatever it returns.
# After an upgrade the guard comes back for the user who installs, where it
# starts at that user's logon (the Run value, the user's or the machine's,
# found before the upgrade): "--guard --logon" after the old version is
# gone, not waited for (+128), left alone by a guard already running. Never
# for the system's accounts (a silent installation by a management tool):
# their session is no user's.
# Usage: finish_msi.sh MSIBUILD PACKAGE.msi
set -euo pipefail
msibuild=$1 msi=$2
"$msibuild" "$msi" \
  -q "UPDATE \`Component\` SET \`Condition\` = 'NOT ALLUSERS=1 OR REMOVE' WHERE \`Component\` = 'LogonCheckRun'" \
  -q "UPDATE \`Component\` SET \`Condition\` = 'ALLUSERS=1 OR REMOVE', \`Attributes\` = 260 WHERE \`Component\` = 'LogonCheckRunMachine'" \
  -q "UPDATE \`Component\` SET \`Condition\` = 'ALLUSERS=1 OR REMOVE' WHERE \`Component\` = 'EventSource'" \
  -q "UPDATE \`Registry\` SET \`Value\` = '#%[INSTALLFOLDER]hollin.exe' WHERE \`Name\` = 'EventMessageFile'" \
  -q "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('StopGuard', 98, 'INSTALLFOLDER', '\"[INSTALLFOLDER]hollin.exe\" --guard --stop')" \
  -q "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('StopGuardBeforeUpgrade', 98, 'INSTALLFOLDER', '\"[HOLLIN_INSTALLED_FOLDER]hollin.exe\" --guard --stop')" \
  -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('StopGuard', 'Installed AND REMOVE~=\"ALL\"', 1010)" \
  -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('StopGuardBeforeUpgrade', 'WIX_UPGRADE_DETECTED AND HOLLIN_INSTALLED_FOLDER', 1020)" \
  -q "INSERT INTO \`RegLocator\` (\`Signature_\`, \`Root\`, \`Key\`, \`Name\`, \`Type\`) VALUES ('GuardAtLogonUser', 1, 'Software\\Microsoft\\Windows\\CurrentVersion\\Run', 'Hollin', 2)" \
  -q "INSERT INTO \`RegLocator\` (\`Signature_\`, \`Root\`, \`Key\`, \`Name\`, \`Type\`) VALUES ('GuardAtLogonMachine', 2, 'Software\\Microsoft\\Windows\\CurrentVersion\\Run', 'Hollin', 18)" \
  -q "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('HOLLIN_GUARD_AT_LOGON', 'GuardAtLogonUser')" \
  -q "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('HOLLIN_GUARD_AT_LOGON_MACHINE', 'GuardAtLogonMachine')" \
  -q "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('StartGuardAfterUpgrade', 226, 'INSTALLFOLDER', '\"[INSTALLFOLDER]hollin.exe\" --guard --logon')" \
  -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('StartGuardAfterUpgrade', 'WIX_UPGRADE_DETECTED AND HOLLIN_INSTALLED_FOLDER AND NOT REMOVE AND (HOLLIN_GUARD_AT_LOGON OR HOLLIN_GUARD_AT_LOGON_MACHINE) AND UserSID<>\"S-1-5-18\" AND UserSID<>\"S-1-5-19\" AND UserSID<>\"S-1-5-20\"', 6610)"
