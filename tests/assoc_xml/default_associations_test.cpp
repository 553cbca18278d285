// Default associations files, through every XML codec the program has: the
// portable one in every build, and in the Windows build the system's XmlLite
// too. The same assertions hold for each.
#include "assoc_xml/default_associations.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "assoc_xml/xml_screen.h"
#include "messages/xml_texts.h"

#include "support/test_support.h"

namespace hollin::cli {

void PrintTo(const DefaultAssociation& a, std::ostream* os) {
  *os << "{" << a.identifier << ", " << a.progId << ", " << a.applicationName << "}";
}

namespace {

struct Codec {
  const char* name;
  std::unique_ptr<IXmlCodec> (*make)();
};

const Codec kCodecs[] = {
    {"Portable", MakePortableXmlCodec},
#ifdef _WIN32
    {"XmlLite", MakeXmlLiteCodec},
#endif
};

class EveryCodec : public testing::TestWithParam<Codec> {
 protected:
  std::vector<DefaultAssociation> Read(const std::string& text) {
    return ReadDefaultAssociations(text, "policy.xml", *codec_);
  }
  std::unique_ptr<IXmlCodec> codec_ = GetParam().make();
};

INSTANTIATE_TEST_SUITE_P(Codecs, EveryCodec, testing::ValuesIn(kCodecs),
                         [](const testing::TestParamInfo<Codec>& info) {
                           return std::string(info.param.name);
                         });

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

// ascii as UTF-16 LE with its byte-order mark; '%' stands for a lone surrogate.
std::string Utf16(const std::string& ascii) {
  std::string s = "\xFF\xFE";
  for (const char c : ascii) s += c == '%' ? std::string("\x00\xD8", 2) : std::string{c, '\0'};
  return s;
}

// The refusal that f ends with; a test failure (and nothing) where f reads or
// writes the file.
std::optional<AssociationsFileError> Refusal(const std::function<void()>& f) {
  try {
    f();
  } catch (const AssociationsFileError& e) {
    return e;
  }
  ADD_FAILURE() << "not refused";
  return std::nullopt;
}

// A file as an administrator's tools leave it (data/hand_written.xml): a
// byte-order mark, CRLF line ends, comments, a protocol, attributes and
// elements the program does not know, references, and names from several
// scripts at once.
TEST_P(EveryCodec, ReadsAFileWrittenByHand) {
  const std::vector<DefaultAssociation> expected = {
      {".htm", "AppXq5mw1k0d8e7r2x4t9v6b3n", "Web View"},
      {".txt", "txtfile", "Notes & Lists"},
      {"mailto", "Post.Url.1", "Post"},
      {".pdf", "Pages.Document.1", "Lesen – 閱讀 – Чтение – Ανάγνωση – 📖"},
      {".log", "txtfile", ""},
      {".csv", "Sheet.1", "<Tablé> \"'"},
  };
  EXPECT_EQ(Read(test::Data("hand_written.xml")), expected);
}

TEST_P(EveryCodec, WhatIsWrittenReadsBackTheSame) {
  const std::vector<DefaultAssociation> list = {
      {".txt", "txtfile", "Notes \"Plain\" & <Simple> 'Text'"},
      {".Ünï", "Prog.<&>\"'.1", "Ελληνικά 文字 😀"},
      {"https", "Web.1", ""},
  };
  const std::string text = WriteDefaultAssociations(list, *codec_);
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u) << text;
  size_t elements = 0;
  for (size_t at = text.find("<Association "); at != std::string::npos;
       at = text.find("<Association ", at + 1))
    ++elements;
  EXPECT_EQ(elements, list.size()) << text;
  EXPECT_EQ(Read(text), list) << text;
  EXPECT_EQ(Read(WriteDefaultAssociations({}, *codec_)), std::vector<DefaultAssociation>());
}

// Each fault is refused with the file's name and the line it is on, and no
// association is returned (data/refused.txt: the files, each with the fault
// expected, its line and its column).
TEST_P(EveryCodec, RefusesWhatIsNotAnAssociationsFile) {
  using P = AssociationsProblem;
  const std::map<std::string, P> problems{{"NotWellFormed", P::NotWellFormed}, {"NoRoot", P::NoRoot},
                                          {"MissingAttribute", P::MissingAttribute}, {"TypeTwice", P::TypeTwice}};
  const auto files = test::Sections(test::Data("refused.txt"));
  ASSERT_EQ(files.size(), 13u);
  for (const auto& [header, text] : files) {
    SCOPED_TRACE(header);
    std::istringstream expected(header);
    std::string problem;
    int line = 0, column = 0;  // column 0: where the reader finds a syntax fault is its own affair
    expected >> problem >> line >> column;
    const auto e = Refusal([&] { Read(text); });
    if (!e) continue;
    const std::string said = msg::AssociationsFileText(*e);
    EXPECT_EQ(e->problem(), problems.at(problem)) << said;
    EXPECT_EQ(e->source(), "policy.xml");
    EXPECT_EQ(e->line(), line) << said;
    if (column)
      EXPECT_EQ(e->column(), column) << said;
    else
      EXPECT_GT(e->column(), 0) << said;
    EXPECT_EQ(said.rfind("policy.xml, line " + std::to_string(line) + ", column ", 0), 0u) << said;
  }
}

// What a reader could run away on is refused where it stands, by every
// codec alike: Wine's XmlLite read a file cut short for ever, took bytes
// that are not UTF-8, a control character, an attribute twice and a
// reference to a surrogate, and crashed on a comment of 512 KiB. Line 0:
// the file is read.
TEST_P(EveryCodec, EndsAndRefusesWhatNoReaderMayRead) {
  const std::string root = kDeclaration + "<DefaultAssociations>\r\n";
  const std::string txt = "  <Association Identifier=\".txt\" ProgId=\"txtfile\" />\r\n";
  const auto file = [&](const std::string& line3) {
    return root + line3 + "\r\n" + txt + "</DefaultAssociations>\r\n";
  };
  const auto nested = [](int levels) {
    std::string s;
    for (int i = 0; i < levels; ++i) s = "<a>" + s + "</a>";
    return s;
  };
  const auto comment = [](size_t bytes) { return "<!--" + std::string(bytes, 'c') + "-->"; };
  const struct {
    const char* what;
    std::string xml;
    int line, column;
  } rows[] = {
      {"cut short after an element", root + txt, 4, 1},
      {"cut short in a comment", root + txt + "<!-- ", 4, 6},
      {"a byte that is no UTF-8", file("<X a=\"\xFF\"/>"), 3, 7},
      {"an overlong UTF-8 sequence", file("<X a=\"\xC0\xAF\"/>"), 3, 7},
      {"a surrogate in UTF-8", file("<X a=\"\xED\xA0\x80\"/>"), 3, 7},
      {"a lone surrogate in UTF-16", Utf16(file("<X a=\"%\"/>")), 3, 7},
      {"U+0001", file("<X>\x01</X>"), 3, 4},
      {"an attribute twice", file("<X a=\"1\" a=\"2\"/>"), 3, 10},
      {"&#xD800;", file("<X a=\"&#xD800;\"/>"), 3, 7},
      {"&#x110000;", file("<X>&#x110000;</X>"), 3, 4},
      {"&#x100000041;, not wrapped to A", file("<X>&#x100000041;</X>"), 3, 4},
      {"a comment of 1 MiB", file(comment(1u << 20)), 3, 1},
      {"a comment at the limit", file(comment(kMaxXmlTextBytes)), 0, 0},
      {"elements as deep as the limit", file(nested(kMaxXmlDepth - 1)), 0, 0},
      {"one level deeper", file(nested(kMaxXmlDepth)), 3, 3 * kMaxXmlDepth - 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    try {
      const auto list = Read(row.xml);
      EXPECT_EQ(row.line, 0) << "read " << list.size() << " associations";
      EXPECT_EQ(list.size(), 1u);
    } catch (const AssociationsFileError& e) {
      EXPECT_EQ(e.problem(), AssociationsProblem::NotWellFormed) << msg::AssociationsFileText(e);
      EXPECT_EQ(std::make_pair(e.line(), e.column()), std::make_pair(row.line, row.column))
          << msg::AssociationsFileText(e);
    }
  }
}

// A file over the limit is refused before it is parsed, however well-formed.
TEST_P(EveryCodec, RefusesAFileOverTheLimit) {
  std::string file =
      kDeclaration + "<DefaultAssociations>\r\n" +
      "  <Association Identifier=\".txt\" ProgId=\"txtfile\" />\r\n</DefaultAssociations>\r\n";
  file.resize(kMaxAssociationsFileBytes, ' ');
  EXPECT_EQ(Read(file).size(), 1u);
  file += ' ';
  const auto e = Refusal([&] { Read(file); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->problem(), AssociationsProblem::TooLarge);
  EXPECT_EQ(msg::AssociationsFileText(*e),
            "policy.xml: the file has 16777217 bytes; an associations file may have at most 16 MiB");
}

// What a file could not give back as it was is not written, and the
// message says why.
TEST_P(EveryCodec, RefusesToWriteWhatCannotBeReadBack) {
  const struct {
    DefaultAssociation association;
    const char* why;
  } rows[] = {
      {{".txt", "", "Notes"}, "needs an Identifier and a ProgId"},
      {{"", "txtfile", "Notes"}, "needs an Identifier and a ProgId"},
      {{".txt", "txtfile", "Tab\there"},
       "its ApplicationName is not UTF-8 or holds control characters"},
      {{".txt", "txt\nfile", ""}, "its ProgId is not UTF-8 or holds control characters"},
      {{".txt", "txtfile", "caf\xE9"}, "its ApplicationName is not UTF-8"},
      {{".t\x01t", "txtfile", ""}, "its Identifier is not UTF-8 or holds control characters"},
      {{".LOG", "Other.1", ""}, "the type \".LOG\" is named a second time"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.association));
    const auto e = Refusal([&] { WriteDefaultAssociations({{".log", "txtfile", ""}, row.association}, *codec_); });
    if (!e) continue;
    EXPECT_EQ(e->problem(), AssociationsProblem::Unwritable) << msg::AssociationsFileText(*e);
    EXPECT_NE(msg::AssociationsFileText(*e).find(row.why), std::string::npos) << msg::AssociationsFileText(*e);
  }
}

// A writer that leaves quotes in values as they are, as some do: its file
// would not read back, so none is given.
TEST(DefaultAssociations, WhatDoesNotReadBackIsNotWritten) {
  class QuoteLeavingCodec : public IXmlCodec {
   public:
    void Read(std::string_view bytes,
              const std::function<void(const XmlElement&)>& onElement) override {
      portable_->Read(bytes, onElement);
    }
    std::string Write(const XmlNode& root) override {
      const std::string text = portable_->Write(root);
      std::string raw;
      for (size_t at = 0; at < text.size(); ++at) {
        const bool quote = text.compare(at, 6, "&quot;") == 0;
        raw += quote ? '"' : text[at];
        if (quote) at += 5;
      }
      return raw;
    }

   private:
    std::unique_ptr<IXmlCodec> portable_ = MakePortableXmlCodec();
  } codec;
  const auto e = Refusal([&] { WriteDefaultAssociations({{".txt", "txtfile", "Notes \"Plain\""}}, codec); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->problem(), AssociationsProblem::Unwritable) << msg::AssociationsFileText(*e);
}

// The program reads through the system's own parser on Windows, which also
// reads a file saved as UTF-16; the portable reader of the native build
// reads UTF-8 only, and says so.
TEST(DefaultAssociations, TheProgramReadsWithTheSystemsParser) {
  const std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<DefaultAssociations>\r\n"
      "  <Association Identifier=\".txt\" ProgId=\"txtfile\" ApplicationName=\"Notes\" />\r\n"
      "</DefaultAssociations>\r\n";
  const std::string utf16 = Utf16(text);
#ifdef _WIN32
  const std::vector<DefaultAssociation> expected = {{".txt", "txtfile", "Notes"}};
  EXPECT_EQ(ReadDefaultAssociations(utf16, "policy.xml"), expected);
#else
  const auto e = Refusal([&] { ReadDefaultAssociations(utf16, "policy.xml"); });
  ASSERT_TRUE(e);
  EXPECT_NE(msg::AssociationsFileText(*e).find("UTF-16"), std::string::npos) << msg::AssociationsFileText(*e);
#endif
}

}  // namespace
}  // namespace hollin::cli
