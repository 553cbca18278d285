#include "assoc_xml/default_associations.h"

#include <map>
#include <utility>

#include "common/text.h"

namespace hollin::cli {

AssociationsFileError::AssociationsFileError(AssociationsReason reason, std::string source, int line, int column,
                                             std::string name, std::string other, std::uint64_t number)
    : std::runtime_error(source),
      reason_(reason),
      source_(std::move(source)),
      line_(line),
      column_(column),
      name_(std::move(name)),
      other_(std::move(other)),
      number_(number) {}

AssociationsProblem AssociationsFileError::problem() const {
  switch (reason_) {
    case AssociationsReason::TooLarge: return AssociationsProblem::TooLarge;
    case AssociationsReason::NotWellFormed: return AssociationsProblem::NotWellFormed;
    case AssociationsReason::WrongRoot:
    case AssociationsReason::NoRoot: return AssociationsProblem::NoRoot;
    case AssociationsReason::NoIdentifier:
    case AssociationsReason::NoProgId: return AssociationsProblem::MissingAttribute;
    case AssociationsReason::TypeTwice:
    case AssociationsReason::ProtocolTwice: return AssociationsProblem::TypeTwice;
    default: return AssociationsProblem::Unwritable;
  }
}

AssociationsFileError AssociationsFileError::NotWellFormed(std::string source, const XmlSyntaxError& e) {
  AssociationsFileError error(AssociationsReason::NotWellFormed, std::move(source), e.line(), e.column());
  error.xml_ = std::make_shared<const XmlSyntaxError>(e);
  return error;
}

AssociationsFileError AssociationsFileError::ReadsBackRefused(const AssociationsFileError& e) {
  AssociationsFileError error(AssociationsReason::ReadsBackRefused, std::string(), 0, 0);
  error.readBack_ = std::make_shared<const AssociationsFileError>(e);
  return error;
}

std::vector<DefaultAssociation> ReadDefaultAssociations(const std::string& xmlBytes,
                                                        const std::string& sourceName) {
  const auto codec = MakeSystemXmlCodec();
  return ReadDefaultAssociations(xmlBytes, sourceName, *codec);
}

std::vector<DefaultAssociation> ReadDefaultAssociations(const std::string& xmlBytes,
                                                        const std::string& sourceName,
                                                        IXmlCodec& codec) {
  if (xmlBytes.size() > kMaxAssociationsFileBytes)
    throw AssociationsFileError(AssociationsReason::TooLarge, sourceName, 0, 0, std::string(), std::string(),
                                xmlBytes.size());
  std::vector<DefaultAssociation> list;
  std::map<std::string, int> typeLines;  // folded type -> the line that named it first
  bool rootSeen = false;
  const auto fail = [&](AssociationsReason reason, const XmlElement& e, const std::string& name = std::string(),
                        std::uint64_t number = 0) {
    throw AssociationsFileError(reason, sourceName, e.line, e.column, name, std::string(), number);
  };
  try {
    codec.Read(xmlBytes, [&](const XmlElement& e) {
      if (e.depth == 0) {
        if (e.name != "DefaultAssociations")
          fail(AssociationsReason::WrongRoot, e, e.name);
        rootSeen = true;
        return;
      }
      if (e.depth != 1 || e.name != "Association") return;
      const std::string* identifier = e.Attribute("Identifier");
      const std::string* progId = e.Attribute("ProgId");
      const std::string* applicationName = e.Attribute("ApplicationName");
      if (!identifier || identifier->empty())
        fail(AssociationsReason::NoIdentifier, e);
      if (!progId || progId->empty()) fail(AssociationsReason::NoProgId, e, *identifier);
      // A type or a protocol named twice: which Association counts?
      {
        const auto [first, isNew] = typeLines.emplace(FoldCase(*identifier), e.line);
        if (!isNew)
          fail((*identifier)[0] == '.' ? AssociationsReason::TypeTwice : AssociationsReason::ProtocolTwice, e,
               *identifier, static_cast<std::uint64_t>(first->second));
      }
      list.push_back({*identifier, *progId, applicationName ? *applicationName : std::string()});
    });
  } catch (const XmlSyntaxError& e) {
    throw AssociationsFileError::NotWellFormed(sourceName, e);
  }
  if (!rootSeen)
    throw AssociationsFileError(AssociationsReason::NoRoot, sourceName, 0, 0);
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
    if (a.identifier.empty() || a.progId.empty())
      throw AssociationsFileError(AssociationsReason::NeedsIdentifier, std::string(), 0, 0, a.identifier);
    const std::pair<const char*, const std::string*> names[] = {
        {"Identifier", &a.identifier},
        {"ProgId", &a.progId},
        {"ApplicationName", &a.applicationName}};
    for (const auto& [attribute, name] : names)
      if (!IsWritableXmlText(*name))
        throw AssociationsFileError(AssociationsReason::UnwritableName, std::string(), 0, 0, a.identifier, attribute);
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
    // Read without a name: the messages name it as the file written.
    back = ReadDefaultAssociations(text, std::string(), codec);
  } catch (const AssociationsFileError& e) {
    throw AssociationsFileError::ReadsBackRefused(e);
  }
  if (back != list) throw AssociationsFileError(AssociationsReason::ReadsBackOtherwise, std::string(), 0, 0);
  return text;
}

}  // namespace hollin::cli
