// hollin_helpgen SOURCE HLP HTM [CHM_PROJECT]: reads the help source and
// writes the help file, its HTML page and, into the folder CHM_PROJECT, the
// HTML Help project that chmcmd compiles.
// hollin_helpgen --chm-map SOURCE STRINGS CHM OUT: writes OUT, the compiled
// CHM with its context map set to the source's topics (see chm_map.h);
// STRINGS is the file's #STRINGS as chmls extracts it.
// Runs on the build machine in every build.
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "chm_map.h"
#include "chm_writer.h"
#include "help_source.h"
#include "hlp_writer.h"
#include "htm_writer.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(data.data(), static_cast<std::streamsize>(data.size()));
  f.close();
  if (!f) throw std::runtime_error("cannot write " + path);
}

hollin::helpgen::HelpDoc Parse(const char* source) {
  return hollin::helpgen::ParseHelpSource(ReadFile(source), source);
}

int SetMap(char** argv) {
  std::vector<int> numbers;
  for (const auto& topic : Parse(argv[2]).topics)
    if (topic.number != 0) numbers.push_back(topic.number);
  try {
    WriteFile(argv[5],
              hollin::helpgen::SetChmContextMap(ReadFile(argv[4]), ReadFile(argv[3]), numbers));
  } catch (const hollin::helpgen::ChmError& e) {
    throw std::runtime_error(std::string(argv[4]) + ": " + e.what());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool map = argc == 6 && std::strcmp(argv[1], "--chm-map") == 0;
  if (!map && argc != 4 && argc != 5) {
    std::fprintf(stderr,
                 "usage: hollin_helpgen SOURCE.txt OUT.hlp OUT.htm [CHM_PROJECT_FOLDER]\n"
                 "       hollin_helpgen --chm-map SOURCE.txt STRINGS IN.chm OUT.chm\n");
    return 2;
  }
  try {
    if (map) return SetMap(argv);
    const hollin::helpgen::HelpDoc doc = Parse(argv[1]);
    WriteFile(argv[2], hollin::helpgen::WriteHlp(doc));
    WriteFile(argv[3], hollin::helpgen::WriteHtm(doc));
    if (argc == 5)
      for (const auto& [name, text] : hollin::helpgen::WriteChmProject(doc))
        WriteFile(std::string(argv[4]) + "/" + name, text);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "hollin_helpgen: %s\n", e.what());
    if (map) {
      std::remove(argv[5]);
    } else {
      std::remove(argv[2]);
      std::remove(argv[3]);
    }
    return 1;
  }
  return 0;
}
