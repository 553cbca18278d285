// The Win32 binding of IFileFacts (risk/risk.h): a file's existence
// (GetFileAttributesW), its signature (WinVerifyTrust with the generic
// verify action, no user interface, revocation not checked, so that no
// check waits on the network) and signer (the leaf certificate's simple
// display name), its version resource (GetFileVersionInfoW, the first
// language it lists), the environment, the folders CreateProcess
// searches, and what the user may change (AccessCheck with the token of
// the user's processes that are not elevated).
#pragma once

#include "risk/risk.h"

namespace hollin {

class Win32FileFacts : public IFileFacts {
 public:
  bool Exists(const std::string& path) override;
  Trust Signature(const std::string& path, std::string& signer) override;
  void Version(const std::string& path, std::string& company, std::string& product) override;
  std::optional<std::string> Variable(std::string_view name) override;
  std::vector<std::string> SearchFolders() override;
  Writable UserWritable(const std::string& path, std::string& where) override;

  Win32FileFacts() = default;
  ~Win32FileFacts() override;
  Win32FileFacts(const Win32FileFacts&) = delete;
  Win32FileFacts& operator=(const Win32FileFacts&) = delete;

 private:
  void* token_ = nullptr;  // the user's token for AccessCheck, once opened
  bool tokenTried_ = false;
};

}  // namespace hollin
