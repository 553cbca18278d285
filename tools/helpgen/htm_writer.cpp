#include "htm_writer.h"

namespace hollin::helpgen {

namespace {

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Anchor(int number) { return "topic-" + std::to_string(number); }

}  // namespace

std::string WriteHtm(const HelpDoc& doc) {
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
      Escape(doc.title) +
      "</title>\n<style>\n"
      "body { font-family: Tahoma, Verdana, sans-serif; max-width: 44em; margin: 1em auto;"
      " padding: 0 1em; line-height: 1.4; }\n"
      "section { margin-bottom: 2.5em; }\n"
      "</style>\n</head>\n<body>\n";
  for (size_t t = 0; t < doc.topics.size(); ++t) {
    const Topic& topic = doc.topics[t];
    const char* h = t == 0 ? "h1" : "h2";
    out += "<section id=\"" + Anchor(topic.number) + "\">\n<" + h + ">" + Escape(topic.title) +
           "</" + h + ">\n";
    out += HtmlBlocks(doc, topic, Escape, [](int n) { return "#" + Anchor(n); });
    if (t != 0)
      out += "<p><a href=\"#" + Anchor(doc.topics[0].number) + "\">" +
             Escape(doc.topics[0].title) + "</a></p>\n";
    out += "</section>\n";
  }
  return out + "</body>\n</html>\n";
}

std::string HtmlBlocks(const HelpDoc& doc, const Topic& topic, std::string (*escape)(const std::string&),
                       const std::function<std::string(int)>& href) {
  std::string out;
  bool inList = false;
  for (const Block& b : topic.blocks) {
    if (inList && b.kind != BlockKind::Bullet) out += "</ul>\n";
    if (!inList && b.kind == BlockKind::Bullet) out += "<ul>\n";
    inList = b.kind == BlockKind::Bullet;
    switch (b.kind) {
      case BlockKind::Paragraph: out += "<p>" + escape(b.text) + "</p>\n"; break;
      case BlockKind::Bold: out += "<p><strong>" + escape(b.text) + "</strong></p>\n"; break;
      case BlockKind::Bullet: out += "<li>" + escape(b.text) + "</li>\n"; break;
      case BlockKind::Jump:
        out += "<p><a href=\"" + href(b.target) + "\">" + escape(doc.Find(b.target)->title) + "</a></p>\n";
        break;
    }
  }
  if (inList) out += "</ul>\n";
  return out;
}

}  // namespace hollin::helpgen
