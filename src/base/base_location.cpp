#include "base/base_location.h"

#include "base/data_file.h"
#include "common/file_system.h"

namespace hollin {
std::string UserBaseFolder(const std::string& localAppData) {
  return JoinPath(JoinPath(localAppData, "Nordane"), "Hollin");
}

BaseLocation LocateBase(IPlatform& platform, const std::string& programFolder) {
  const std::string ext(DataFile::kExtension);
  const std::string beside = JoinPath(programFolder, kBaseFileName);
  const std::string localAppData = platform.LocalAppDataFolder();
  const std::string userFolder = localAppData.empty() ? std::string() : UserBaseFolder(localAppData);
  const std::string user = userFolder.empty() ? std::string() : JoinPath(userFolder, kBaseFileName);

  const bool besideExists = platform.FileExists(beside + ext);
  const bool userExists = !user.empty() && platform.FileExists(user + ext);
  if (userExists &&
      (!besideExists || platform.LastWriteTime(user + ext) >= platform.LastWriteTime(beside + ext)))
    return {user, ""};

  const bool programFolderWritable = platform.CanWriteFolder(programFolder, false);
  if (besideExists) {
    if (programFolderWritable && platform.CanWriteFile(beside + ext)) return {beside, ""};
    if (!user.empty() && platform.CanWriteFolder(userFolder, true)) return {user, beside};
    return {beside, ""};
  }
  if (programFolderWritable) return {beside, ""};
  if (!user.empty() && platform.CanWriteFolder(userFolder, true)) return {user, ""};
  return {beside, ""};
}

std::string BaseFileRead(const Associations& g) {
  if (g.FormerBaseFile.empty() || PathExists(g.BaseFile + g.BaseExtension)) return g.BaseFile + g.BaseExtension;
  return g.FormerBaseFile + std::string(DataFile::kExtension);
}

}  // namespace hollin
