#include "chm_writer.h"
#include "htm_writer.h"

#include <algorithm>
#include <vector>

namespace hollin::helpgen {

namespace {

// HTML text: markup characters escaped, and every character beyond ASCII as
// a numeric reference, so that no viewer has to guess the code page.
std::string Escape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      switch (c) {
        case '&':
          out += "&amp;";
          break;
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '"':
          out += "&quot;";
          break;
        default:
          out += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    // UTF-8 (the parser took the source as it is): a lead byte and its
    // continuation bytes; a byte that leads nothing stands for itself.
    const int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    unsigned code = more ? c & (0x3F >> more) : c;
    size_t n = 1;
    for (; n <= static_cast<size_t>(more) && i + n < s.size() &&
           (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80;
         ++n)
      code = code << 6 | (static_cast<unsigned char>(s[i + n]) & 0x3F);
    out += "&#" + std::to_string(code) + ";";
    i += n;
  }
  return out;
}

std::string Page(const HelpDoc& doc, const Topic& topic, bool contents) {
  std::string out =
      "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n<html>\n<head>\n"
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=us-ascii\">\n<title>" +
      Escape(topic.title) +
      "</title>\n<style type=\"text/css\">\n"
      "body { font-family: Tahoma, Verdana, sans-serif; font-size: 10pt; line-height: 1.35; }\n"
      "</style>\n</head>\n<body>\n<h1>" +
      Escape(topic.title) + "</h1>\n";
  out += HtmlBlocks(doc, topic, Escape, ChmPage);
  if (!contents)
    out += "<p><a href=\"" + ChmPage(doc.topics[0].number) + "\">" + Escape(doc.topics[0].title) +
           "</a></p>\n";
  return out + "</body>\n</html>\n";
}

std::string SitemapEntry(const Topic& t, const std::string& indent) {
  return indent + "<li><object type=\"text/sitemap\">\n" + indent +
         "  <param name=\"Name\" value=\"" + Escape(t.title) + "\">\n" + indent +
         "  <param name=\"Local\" value=\"" + ChmPage(t.number) + "\">\n" + indent + "</object>\n";
}

const char kSitemapHead[] =
    "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\n<html>\n<head>\n</head>\n<body>\n";

}  // namespace

std::string ChmPage(int number) { return "topic-" + std::to_string(number) + ".htm"; }

std::map<std::string, std::string> WriteChmProject(const HelpDoc& doc) {
  std::map<std::string, std::string> files;
  for (size_t t = 0; t < doc.topics.size(); ++t)
    files[ChmPage(doc.topics[t].number)] = Page(doc, doc.topics[t], t == 0);

  // The contents: every topic, in the source's order.
  std::string hhc = std::string(kSitemapHead) + "<ul>\n";
  for (const Topic& t : doc.topics) hhc += SitemapEntry(t, "  ");
  files["Hollin.hhc"] = hhc + "</ul>\n</body>\n</html>\n";

  // The index: every topic by its title, in alphabetical order.
  std::vector<const Topic*> byTitle;
  for (const Topic& t : doc.topics) byTitle.push_back(&t);
  std::stable_sort(byTitle.begin(), byTitle.end(),
                   [](const Topic* a, const Topic* b) { return a->title < b->title; });
  std::string hhk = std::string(kSitemapHead) + "<ul>\n";
  for (const Topic* t : byTitle) hhk += SitemapEntry(*t, "  ");
  files["Hollin.hhk"] = hhk + "</ul>\n</body>\n</html>\n";

  // The project. chmcmd records no context 0, and the contents is opened
  // as the default topic anyway; every other topic is mapped to its number.
  std::string files_, alias, map;
  for (const Topic& t : doc.topics) {
    files_ += ChmPage(t.number) + "\n";
    if (t.number == 0) continue;
    const std::string id = "IDH_" + std::to_string(t.number);
    alias += id + "=" + ChmPage(t.number) + "\n";
    map += "#define " + id + " " + std::to_string(t.number) + "\n";
  }
  files["Hollin.hhp"] =
      "[OPTIONS]\n"
      "Compatibility=1.1 or later\n"
      "Compiled file=Hollin.chm\n"
      "Contents file=Hollin.hhc\n"
      "Index file=Hollin.hhk\n"
      "Default topic=" +
      ChmPage(doc.topics[0].number) +
      "\n"
      "Display compile progress=No\n"
      "Full-text search=No\n"
      "Language=0x409 English (United States)\n"
      "Title=" +
      doc.title +
      "\n"
      "Default Window=main\n\n"
      // The viewer's window: title, contents, index, default and home page;
      // three panes, the topic's title in the title bar, the contents kept in
      // step with the topic (0x2120), 220 pixels of navigation pane, the
      // buttons Hide/Show, Back, Home, Options and Print (0x3046), and where
      // it opens on the screen.
      "[WINDOWS]\n"
      "main=\"" +
      doc.title + "\",\"Hollin.hhc\",\"Hollin.hhk\",\"" + ChmPage(doc.topics[0].number) + "\",\"" +
      ChmPage(doc.topics[0].number) + "\",,,,,0x2120,220,0x3046,[40,30,680,510]\n\n[FILES]\n" +
      files_ + "\n[ALIAS]\n" + alias + "\n[MAP]\n" + map;
  return files;
}

}  // namespace hollin::helpgen
