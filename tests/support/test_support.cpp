#include "support/test_support.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <ostream>
#include <random>
#include <stdexcept>
#include <tuple>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <future>
#endif

namespace hollin {

bool operator==(const MessageBoxRequest& a, const MessageBoxRequest& b) {
  return std::tie(a.text, a.buttons, a.icon, a.defaultButton, a.title) ==
         std::tie(b.text, b.buttons, b.icon, b.defaultButton, b.title);
}

void PrintTo(const MessageBoxRequest& b, std::ostream* os) {
  *os << "{\"" << b.text << "\", buttons " << int(b.buttons) << ", icon " << int(b.icon) << ", default "
      << int(b.defaultButton) << ", \"" << b.title << "\"}";
}

}  // namespace hollin

namespace hollin::test {

TempDir::TempDir() {
  static std::atomic<unsigned> serial{0};
  std::random_device rd;
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    auto p = std::filesystem::temp_directory_path() /
             ("hollin-test-" + std::to_string(rd()) + "-" + std::to_string(serial++));
    if (std::filesystem::create_directory(p)) path_ = p;
  }
  if (path_.empty()) throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

MbAnswer ScriptedMessageBox::Show(const MessageBoxRequest& request) {
  if (whileShown) whileShown();
  shown.push_back(request);
  if (answers_.empty()) return request.buttons == MbButtons::Ok ? MbAnswer::Ok : MbAnswer::No;
  const MbAnswer a = answers_.front();
  answers_.pop_front();
  return a;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out.write(bytes.data(), std::streamsize(bytes.size()))) throw std::runtime_error("cannot write " + path);
}

std::vector<std::pair<std::string, std::string>> Sections(const std::string& file) {
  std::vector<std::pair<std::string, std::string>> sections;
  const auto cutLineEnd = [&sections] {
    std::string& text = sections.back().second;
    if (text.empty() || text.back() != '\n') return;
    text.pop_back();
    if (!text.empty() && text.back() == '\r') text.pop_back();
  };
  for (size_t at = 0; at < file.size();) {
    const size_t end = std::min(file.find('\n', at), file.size() - 1) + 1;  // past the line end
    if (file.compare(at, 4, "=== ") == 0) {
      if (!sections.empty()) cutLineEnd();
      std::string name = file.substr(at + 4, end - at - 4);
      while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
      sections.emplace_back(name, "");
    } else if (!sections.empty()) {
      sections.back().second.append(file, at, end - at);
    }
    at = end;
  }
  if (!sections.empty()) cutLineEnd();
  return sections;
}

namespace {
StartHook g_startHook = nullptr;
}
bool SetStartHook(StartHook hook) {
  g_startHook = hook;
  return true;
}
StartHook GetStartHook() { return g_startHook; }

std::string SelfPath() {
#ifdef _WIN32
  char buf[MAX_PATH * 2];
  const DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  return std::string(buf, n);
#else
  return std::filesystem::read_symlink("/proc/self/exe").string();
#endif
}

int RunChild(const std::string& commandLine) {
#ifdef _WIN32
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string cmd = commandLine;
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &si, &pi))
    return -1;
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
#else
  const int status = std::system(commandLine.c_str());
  if (status == -1) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
#endif
}

#ifndef _WIN32
std::string ReadOfFifo(const std::string& path, const std::function<void()>& read) {
  if (mkfifo(path.c_str(), 0600) != 0) throw std::runtime_error("cannot make the FIFO " + path);
  auto done = std::async(std::launch::async, [&]() -> std::string {
    try {
      read();
    } catch (const std::exception& e) {
      return e.what();
    }
    return "";
  });
  if (done.wait_for(std::chrono::seconds(10)) == std::future_status::ready) return done.get();
  const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
  if (fd >= 0) close(fd);
  done.wait();
  return "waits for a writer";
}
#endif

}  // namespace hollin::test
