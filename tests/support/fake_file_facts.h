// The facts of files as the tests set them: which files exist, their
// signatures and makers, the environment and the search folders of a
// typical Windows machine of the user ada.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "common/text.h"
#include "risk/risk.h"

namespace hollin::test {

struct FakeFileFacts : IFileFacts {
  struct File {
    Trust trust = Trust::Unsigned;
    std::string signer, company, product;
  };
  std::map<std::string, File> files;  // by folded path
  std::map<std::string, std::string> variables{
      {"systemroot", "C:\\Windows"},
      {"windir", "C:\\Windows"},
      {"programfiles", "C:\\Program Files"},
      {"userprofile", "C:\\Users\\ada"},
      {"appdata", "C:\\Users\\ada\\AppData\\Roaming"},
      {"localappdata", "C:\\Users\\ada\\AppData\\Local"},
      {"temp", "C:\\Users\\ada\\AppData\\Local\\Temp"},
      {"public", "C:\\Users\\Public"},
  };
  // As CreateProcess searches for a program Explorer starts: Explorer's
  // folder first.
  std::vector<std::string> search{"C:\\Windows", "C:\\Windows\\System32"};
  // What the user may change: the profile's and the temporary folders (the
  // most particular named), and the folders (or files) a test adds; folders
  // whose rights cannot be read.
  std::vector<std::string> writable{"C:\\Users\\ada\\AppData\\Local\\Temp", "C:\\Users\\ada\\AppData\\Local",
                                    "C:\\Users\\ada\\AppData\\Roaming", "C:\\Users\\ada", "C:\\Users\\Public",
                                    "C:\\Windows\\Temp"};
  std::vector<std::string> unreadable;
  int signatureChecks = 0;

  void Add(const std::string& path, Trust trust = Trust::Unsigned, std::string signer = "", std::string company = "",
           std::string product = "") {
    files[FoldCase(path)] = {trust, std::move(signer), std::move(company), std::move(product)};
  }
  bool Exists(const std::string& path) override { return files.count(FoldCase(path)) != 0; }
  Trust Signature(const std::string& path, std::string& signer) override {
    ++signatureChecks;
    const File& f = files.at(FoldCase(path));
    signer = f.signer;
    return f.trust;
  }
  void Version(const std::string& path, std::string& company, std::string& product) override {
    const File& f = files.at(FoldCase(path));
    company = f.company;
    product = f.product;
  }
  std::optional<std::string> Variable(std::string_view name) override {
    const auto it = variables.find(FoldCase(name));
    if (it == variables.end()) return std::nullopt;
    return it->second;
  }
  std::vector<std::string> SearchFolders() override { return search; }
  Writable UserWritable(const std::string& path, std::string& where) override {
    const auto under = [&](const std::string& folder) {
      const std::string p = FoldCase(path), f = FoldCase(folder);
      return p == f || (p.size() > f.size() && p.compare(0, f.size(), f) == 0 && p[f.size()] == '\\');
    };
    for (const auto& w : writable)
      if (under(w)) {
        where = w;
        return Writable::Yes;
      }
    for (const auto& u : unreadable)
      if (under(u)) return Writable::Unknown;
    return Writable::No;
  }
};

}  // namespace hollin::test
