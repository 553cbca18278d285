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
  -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('StopGuardBeforeUpgrade', 'WIX_UPGRADE_DETECTED AND HOLLIN_INSTALLED_FOLDER', 1020)"
