// hollin_helpgen SOURCE HLP HTM: reads the help source and writes the help
// file and its HTML page. Runs on the build machine in every build.
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "help_source.h"
#include "hlp_writer.h"
#include "htm_writer.h"

namespace {

void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(data.data(), static_cast<std::streamsize>(data.size()));
  f.close();
  if (!f) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: hollin_helpgen SOURCE.txt OUT.hlp OUT.htm\n");
    return 2;
  }
  try {
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) throw std::runtime_error(std::string("cannot read ") + argv[1]);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const hollin::helpgen::HelpDoc doc = hollin::helpgen::ParseHelpSource(text, argv[1]);
    WriteFile(argv[2], hollin::helpgen::WriteHlp(doc));
    WriteFile(argv[3], hollin::helpgen::WriteHtm(doc));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "hollin_helpgen: %s\n", e.what());
    std::remove(argv[2]);
    std::remove(argv[3]);
    return 1;
  }
  return 0;
}
