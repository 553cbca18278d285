// libFuzzer target for the screen every associations file passes
// (ScreenXml) and the portable reader behind it, which read files a user or
// another program hands over. Each either takes the bytes or refuses them
// with XmlSyntaxError at a line and column; what the reader takes, the
// screen takes too (the system's reader sees only what the screen let
// through), and no element lies deeper than the screen allows. A document
// read is written again and read back to the same elements and attributes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "assoc_xml/xml_codec.h"
#include "assoc_xml/xml_screen.h"
#include "require.h"

namespace {

using hollin::cli::XmlElement;
using hollin::cli::XmlNode;

std::vector<XmlElement> ReadAll(hollin::cli::IXmlCodec& codec, std::string_view bytes) {
  std::vector<XmlElement> seen;
  codec.Read(bytes, [&](const XmlElement& e) { seen.push_back(e); });
  return seen;
}

// The elements read as a tree to write (false where a name or value is
// nothing a writer can carry).
bool Tree(const std::vector<XmlElement>& seen, XmlNode& root) {
  std::vector<XmlNode*> open;
  for (const auto& e : seen) {
    if (!hollin::cli::IsWritableXmlText(e.name)) return false;
    for (const auto& a : e.attributes)
      if (!hollin::cli::IsWritableXmlText(a.name) || !hollin::cli::IsWritableXmlText(a.value)) return false;
    Require(e.depth >= 0 && static_cast<size_t>(e.depth) <= open.size(), "an element's depth skips a level");
    open.resize(static_cast<size_t>(e.depth));
    XmlNode* node;
    if (open.empty()) {
      Require(e.depth == 0 && root.name.empty(), "a second root");
      node = &root;
    } else {
      open.back()->children.push_back({});
      node = &open.back()->children.back();
    }
    node->name = e.name;
    node->attributes = e.attributes;
    open.push_back(node);
  }
  return !seen.empty();
}

bool SameElements(const std::vector<XmlElement>& a, const std::vector<XmlElement>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].name != b[i].name || a[i].depth != b[i].depth || a[i].attributes.size() != b[i].attributes.size())
      return false;
    for (size_t k = 0; k < a[i].attributes.size(); ++k)
      if (a[i].attributes[k].name != b[i].attributes[k].name || a[i].attributes[k].value != b[i].attributes[k].value)
        return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  bool screened = true;
  try {
    hollin::cli::ScreenXml(bytes);
  } catch (const hollin::cli::XmlSyntaxError& e) {
    Require(e.line() >= 1 && e.column() >= 1, "a refusal without its place");
    screened = false;
  }
  const auto codec = hollin::cli::MakePortableXmlCodec();
  std::vector<XmlElement> seen;
  try {
    seen = ReadAll(*codec, bytes);
  } catch (const hollin::cli::XmlSyntaxError&) {
    return 0;
  }
  Require(screened, "the reader takes what the screen refuses");
  for (const auto& e : seen) {
    Require(e.depth < hollin::cli::kMaxXmlDepth, "an element deeper than the screen allows");
    Require(e.line >= 1 && e.column >= 1, "an element without its place");
  }
  XmlNode root;
  if (!Tree(seen, root)) return 0;
  const std::string written = codec->Write(root);
  std::vector<XmlElement> again;
  try {
    again = ReadAll(*codec, written);
  } catch (const hollin::cli::XmlSyntaxError&) {
    Require(false, "a document written cannot be read back");
  }
  // xmlns declarations are dropped when read; the rest comes back as it was.
  Require(SameElements(seen, again), "a document written reads back to other elements");
  return 0;
}
