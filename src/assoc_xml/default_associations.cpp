#include "assoc_xml/default_associations.h"

#include <map>
#include <utility>

#include "common/text.h"

namespace hollin::cli {
namespace {

std::string Where(const std::string& source, int line, int column) {
  if (source.empty()) return std::string();
  if (line <= 0) return source + ": ";
  return source + ", line " + std::to_string(line) + ", column " + std::to_string(column) + ": ";
}

}  // namespace

AssociationsFileError::AssociationsFileError(AssociationsProblem problem, std::string source,
                                             int line, int column, const std::string& detail)
    : std::runtime_error(Where(source, line, column) + detail),
      problem_(problem),
      source_(std::move(source)),
      line_(line),
      column_(column) {}

std::vector<DefaultAssociation> ReadDefaultAssociations(const std::string& xmlBytes,
                                                        const std::string& sourceName) {
  const auto codec = MakeSystemXmlCodec();
  return ReadDefaultAssociations(xmlBytes, sourceName, *codec);
}

std::vector<DefaultAssociation> ReadDefaultAssociations(const std::string& xmlBytes,
                                                        const std::string& sourceName,
                                                        IXmlCodec& codec) {
  if (xmlBytes.size() > kMaxAssociationsFileBytes)
    throw AssociationsFileError(AssociationsProblem::TooLarge, sourceName, 0, 0,
                                "the file has " + std::to_string(xmlBytes.size()) +
                                    " bytes; an associations file may have at most " +
                                    std::to_string(kMaxAssociationsFileBytes >> 20) + " MiB");
  std::vector<DefaultAssociation> list;
  std::map<std::string, int> typeLines;  // folded type -> the line that named it first
  bool rootSeen = false;
  const auto fail = [&](AssociationsProblem problem, const XmlElement& e,
                        const std::string& detail) {
    throw AssociationsFileError(problem, sourceName, e.line, e.column, detail);
  };
  try {
    codec.Read(xmlBytes, [&](const XmlElement& e) {
      if (e.depth == 0) {
        if (e.name != "DefaultAssociations")
          fail(AssociationsProblem::NoRoot, e,
               "the root element is <" + e.name +
                   ">; an associations file has <DefaultAssociations>");
        rootSeen = true;
        return;
      }
      if (e.depth != 1 || e.name != "Association") return;
      const std::string* identifier = e.Attribute("Identifier");
      const std::string* progId = e.Attribute("ProgId");
      const std::string* applicationName = e.Attribute("ApplicationName");
      if (!identifier || identifier->empty())
        fail(AssociationsProblem::MissingAttribute, e, "an Association has no Identifier");
      if (!progId || progId->empty())
        fail(AssociationsProblem::MissingAttribute, e,
             "the Association of \"" + *identifier + "\" has no ProgId");
      // A type or a protocol named twice: which Association counts?
      {
        const auto [first, isNew] = typeLines.emplace(FoldCase(*identifier), e.line);
        if (!isNew)
          fail(AssociationsProblem::TypeTwice, e,
               std::string((*identifier)[0] == '.' ? "the type \"" : "the protocol \"") + *identifier +
                   "\" is named a second time (first on line " + std::to_string(first->second) + ")");
      }
      list.push_back({*identifier, *progId, applicationName ? *applicationName : std::string()});
    });
  } catch (const XmlSyntaxError& e) {
    throw AssociationsFileError(AssociationsProblem::NotWellFormed, sourceName, e.line(),
                                e.column(), "not well-formed XML: " + e.problem());
  }
  if (!rootSeen)
    throw AssociationsFileError(AssociationsProblem::NoRoot, sourceName, 0, 0,
                                "the file has no <DefaultAssociations> root element");
  return list;
}

std::string WriteDefaultAssociations(const std::vector<DefaultAssociation>& list) {
  const auto codec = MakeSystemXmlCodec();
  return WriteDefaultAssociations(list, *codec);
}

std::string WriteDefaultAssociations(const std::vector<DefaultAssociation>& list,
                                     IXmlCodec& codec) {
  XmlNode root{"DefaultAssociations", {}, {}};
  root.children.reserve(list.size());
  for (const auto& a : list) {
    const auto refuse = [&](const std::string& why) {
      throw AssociationsFileError(
          AssociationsProblem::Unwritable, std::string(), 0, 0,
          "the association of \"" + a.identifier + "\" cannot be written: " + why);
    };
    if (a.identifier.empty() || a.progId.empty())
      refuse("an association needs an Identifier and a ProgId");
    const std::pair<const char*, const std::string*> names[] = {
        {"Identifier", &a.identifier},
        {"ProgId", &a.progId},
        {"ApplicationName", &a.applicationName}};
    for (const auto& [attribute, name] : names)
      if (!IsWritableXmlText(*name))
        refuse(std::string("its ") + attribute + " is not UTF-8 or holds control characters");
    root.children.push_back({"Association",
                             {{"Identifier", a.identifier},
                              {"ProgId", a.progId},
                              {"ApplicationName", a.applicationName}},
                             {}});
  }
  std::string text = codec.Write(root);
  // What was written must read back as the list it was written from: a
  // list that names a type twice would make a file that is refused, and a
  // writer that left a value unescaped a file that is broken.
  std::vector<DefaultAssociation> back;
  try {
    back = ReadDefaultAssociations(text, "the file written", codec);
  } catch (const AssociationsFileError& e) {
    throw AssociationsFileError(AssociationsProblem::Unwritable, std::string(), 0, 0,
                                std::string("the associations cannot be written: ") + e.what());
  }
  if (back != list)
    throw AssociationsFileError(
        AssociationsProblem::Unwritable, std::string(), 0, 0,
        "the associations cannot be written: the file written does not read back as they were");
  return text;
}

}  // namespace hollin::cli
