// Where the base file lives.
//
// A copy of the program kept in a folder of its own (a portable copy) keeps
// its base beside itself, as it always has. An installed copy run by a
// standard user cannot write its own folder, so its base lives in the user's
// folder for local program data (<LocalAppData>\Nordane\Hollin). In order:
//
//   1. A base in the user's folder that is at least as new as one beside the
//      program is the one in use: it is made only where the program's folder
//      could not hold a base, so it is the later record of the two, and the
//      program must not go back to a stale base when its folder becomes
//      writable again (say, when it is run as an administrator).
//   2. A base beside the program is used there when the folder and the file
//      can be written. When they cannot, it is read, and the first save
//      writes the user's folder; the old file is never changed.
//   3. With no base anywhere, a writable program folder gets it, else the
//      user's folder.
//
// Where nothing can be written at all, the base is placed beside the program
// anyway: loading works, and the first save fails with the base file's own
// error naming that file.
#pragma once

#include <string>

#include "base/associations.h"
#include "common/platform.h"

namespace hollin {

struct BaseLocation {
  // Where loads read and saves write, without ".isd".
  std::string file;
  // A base beside the program that can no longer be written: read while
  // `file` does not exist yet, never written. "" when there is none.
  std::string readFirst;
};

// The folder the base moves to for a user: <localAppData>\Nordane\Hollin.
std::string UserBaseFolder(const std::string& localAppData);

// Decides where the base lives for a program in programFolder. Makes the
// user's folder when the base goes there; reads and writes no base file.
BaseLocation LocateBase(IPlatform& platform, const std::string& programFolder);

// The file a load reads, with ".isd": g.BaseFile's or, while that does not
// exist, g.FormerBaseFile's.
std::string BaseFileRead(const Associations& g);

}  // namespace hollin
