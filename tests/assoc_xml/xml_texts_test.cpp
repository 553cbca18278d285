// The XML refusals as the messages word them: every problem and reason says
// something of its own, with its place where it has one.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "assoc_xml/default_associations.h"
#include "messages/messages.h"

namespace hollin::cli {
namespace {

// Each kind worded apart from every other: a kind the wording misses falls
// to an empty text or one that another kind has too.
template <class Word>
void ExpectEachOwnText(int kinds, const Word& word) {
  std::map<std::string, int> seen;
  for (int k = 0; k < kinds; ++k) {
    const std::string text = word(k);
    EXPECT_GT(text.size(), 10u) << "kind " << k << ": " << text;
    const auto [other, isNew] = seen.emplace(text, k);
    EXPECT_TRUE(isNew) << "kinds " << other->second << " and " << k << ": " << text;
  }
}

TEST(XmlTexts, EveryKindIsWordedApart) {
  const XmlFacts facts = XmlFacts().Name("N").Other("O").Number(64);
  ExpectEachOwnText(kXmlProblems, [&](int k) {
    return msg::XmlProblemText(XmlSyntaxError(1, 1, static_cast<XmlProblem>(k), facts));
  });
  // What catches any error words these the same.
  const XmlSyntaxError syntax(2, 3, XmlProblem::NoRoot);
  EXPECT_EQ(msg::ErrorText(syntax), msg::XmlSyntaxText(syntax));
  const AssociationsFileError file(AssociationsReason::NoIdentifier, "a.xml", 2, 3);
  EXPECT_EQ(msg::ErrorText(file), msg::AssociationsFileText(file));
  const XmlCodecError codec(XmlCodecProblem::NoMemory);
  EXPECT_EQ(msg::ErrorText(codec), msg::XmlCodecText(codec));
  ExpectEachOwnText(static_cast<int>(AssociationsReason::ReadsBackOtherwise) + 1, [](int k) {
    return msg::AssociationsFileText(
        AssociationsFileError(static_cast<AssociationsReason>(k), std::string(), 0, 0, "N", "O", 3));
  });
  ExpectEachOwnText(static_cast<int>(XmlCodecProblem::NoMemory) + 1, [](int k) {
    return msg::XmlCodecText(XmlCodecError(static_cast<XmlCodecProblem>(k), "Call", 5));
  });
}

// The place goes before the problem, the file's name before the place; a
// file written that does not read back is named as such, with the place.
TEST(XmlTexts, PlacesAndNamesFrameTheProblem) {
  const XmlSyntaxError early(4, 2, XmlProblem::NoEquals, XmlFacts().Name("ProgId").Early(true));
  EXPECT_EQ(msg::XmlSyntaxText(early), "line 4, column 2: the file ends too soon: the attribute ProgId has no '=' and value");
  EXPECT_EQ(msg::XmlSyntaxText(XmlSyntaxError(0, 0, XmlProblem::DocumentTooLarge)),
            "the document is too large for the XML reader");
  EXPECT_EQ(msg::AssociationsFileText(AssociationsFileError::NotWellFormed("policy.xml", early)),
            "policy.xml, line 4, column 2: not well-formed XML: the file ends too soon: the attribute ProgId has no "
            "'=' and value");
  EXPECT_EQ(msg::AssociationsFileText(AssociationsFileError(AssociationsReason::NoRoot, "policy.xml", 0, 0)),
            "policy.xml: the file has no <DefaultAssociations> root element");
  try {
    WriteDefaultAssociations({{".log", "txtfile", ""}, {".LOG", "Other.1", ""}}, *MakePortableXmlCodec());
    ADD_FAILURE() << "written";
  } catch (const AssociationsFileError& e) {
    EXPECT_EQ(msg::AssociationsFileText(e),
              "the associations cannot be written: the file written, line 4, column 4: the type \".LOG\" is named a "
              "second time (first on line 3)");
  }
}

}  // namespace
}  // namespace hollin::cli
