// The system's XmlLite behind the XML seam. MinGW has its header but no
// import library for xmllite.dll, which every supported Windows ships in
// its system folder: the two functions are looked up at run time, and the
// library is loaded from the system folder only, never from beside the
// program or the current folder.
#include "common/windows_api.h"

#include <objidl.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <climits>
#include <cstdlib>

#include "assoc_xml/xml_codec.h"
#include "assoc_xml/xml_screen.h"

namespace hollin::cli {
namespace {

using CreateFunction = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

// A COM interface pointer that releases what it holds.
template <class T>
class Com {
 public:
  Com() = default;
  explicit Com(T* p) : p_(p) {}
  ~Com() {
    if (p_) p_->Release();
  }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  T** Put() { return &p_; }
  void** PutVoid() { return reinterpret_cast<void**>(&p_); }
  T* get() const { return p_; }
  T* operator->() const { return p_; }

 private:
  T* p_ = nullptr;
};

// Fails with what the call was, for a failure that no document causes
// (the library refused a setting, or memory ran out).
void Check(HRESULT hr, const char* call) {
  if (FAILED(hr))
    throw XmlCodecError(XmlCodecProblem::CallFailed, call, static_cast<unsigned long>(hr));
}

std::wstring Wide(const std::string& s) {
  if (s.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string Narrow(const WCHAR* w, UINT length) {
  if (length == 0) return std::string();
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(length), s.data(), n, nullptr, nullptr);
  return s;
}

// What the reader's error means, as the portable reader names it where the
// two meet.
XmlProblem Describe(HRESULT hr, XmlFacts& facts) {
  static const struct {
    unsigned long code;
    XmlProblem problem;
  } kProblems[] = {
      {MX_E_INPUTEND, XmlProblem::InputEnds},
      {MX_E_ENCODING, XmlProblem::EncodingMismatch},
      {MX_E_ENCODINGSWITCH, XmlProblem::EncodingSwitch},
      {WC_E_DTDPROHIBITED, XmlProblem::Doctype},
      {WC_E_ELEMENTMATCH, XmlProblem::ElementMismatch},
      {WC_E_QUOTE, XmlProblem::NotQuoted},
      {WC_E_GREATERTHAN, XmlProblem::NoGreaterThan},
      {WC_E_WHITESPACE, XmlProblem::NoBlank},
      {WC_E_EQUAL, XmlProblem::NoEqualsSign},
      {WC_E_LESSTHAN, XmlProblem::LessThan},
      {WC_E_SEMICOLON, XmlProblem::NoSemicolon},
      {WC_E_UNDECLAREDENTITY, XmlProblem::EntityNotDeclared},
      {WC_E_XMLCHARACTER, XmlProblem::Character},
      {WC_E_NAMECHARACTER, XmlProblem::NameCharacter},
      {WC_E_NAME, XmlProblem::Name},
      {WC_E_UNIQUEATTRIBUTE, XmlProblem::UniqueAttribute},
      {WC_E_ROOTELEMENT, XmlProblem::RootElement},
      {WC_E_MOREDATA, XmlProblem::OutsideRoot},
      {WC_E_SYNTAX, XmlProblem::MarkupNotWellFormed},
      {WC_E_COMMENT, XmlProblem::Comment},
      {WC_E_XMLDECL, XmlProblem::XmlDeclNotWellFormed},
      {WC_E_ENCNAME, XmlProblem::UnknownEncoding},
  };
  const unsigned long code = static_cast<unsigned long>(hr);
  if (code == static_cast<unsigned long>(SC_E_MAXELEMENTDEPTH)) {
    facts.Number(kMaxXmlDepth);
    return XmlProblem::TooDeep;
  }
  for (const auto& p : kProblems)
    if (p.code == code) return p.problem;
  facts.Number(code);
  return XmlProblem::ReaderFailed;
}

void (*g_onCrash)(unsigned long) = nullptr;

// The last defence, should the library crash all the same on a document
// the screen let through: the program ends as on any other failure, through
// the handler the program set, not with the system's crash report. MinGW
// has no structured exception handling to catch the fault where it happens;
// the filter for unhandled exceptions stands while a document is read.
LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* e) {
  if (g_onCrash) g_onCrash(static_cast<unsigned long>(e->ExceptionRecord->ExceptionCode));
  TerminateProcess(GetCurrentProcess(), EXIT_FAILURE);
  return EXCEPTION_EXECUTE_HANDLER;
}

class CrashFilter {
 public:
  CrashFilter() : previous_(SetUnhandledExceptionFilter(EndOnCrash)) {}
  ~CrashFilter() { SetUnhandledExceptionFilter(previous_); }
  CrashFilter(const CrashFilter&) = delete;
  CrashFilter& operator=(const CrashFilter&) = delete;

 private:
  LPTOP_LEVEL_EXCEPTION_FILTER previous_;
};

class XmlLiteCodec : public IXmlCodec {
 public:
  XmlLiteCodec() : module_(LoadLibraryExW(L"xmllite.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    if (!module_)
      throw XmlCodecError(XmlCodecProblem::NotLoaded, std::string(), GetLastError());
    createReader_ = reinterpret_cast<CreateFunction>(
        reinterpret_cast<void*>(GetProcAddress(module_, "CreateXmlReader")));
    createWriter_ = reinterpret_cast<CreateFunction>(
        reinterpret_cast<void*>(GetProcAddress(module_, "CreateXmlWriter")));
    if (!createReader_ || !createWriter_) {
      FreeLibrary(module_);
      throw XmlCodecError(XmlCodecProblem::NoFunctions);
    }
  }
  ~XmlLiteCodec() override { FreeLibrary(module_); }
  XmlLiteCodec(const XmlLiteCodec&) = delete;
  XmlLiteCodec& operator=(const XmlLiteCodec&) = delete;

  void Read(std::string_view bytes,
            const std::function<void(const XmlElement&)>& onElement) override {
    if (bytes.size() > UINT_MAX)
      throw XmlSyntaxError(0, 0, XmlProblem::DocumentTooLarge);
    // What the screen refuses never reaches the library: Wine's reader
    // crashes on a comment of some hundred KiB and takes bytes that are not
    // UTF-8, and either may behave otherwise on what the screen refuses.
    ScreenXml(bytes);
    Com<IStream> stream(SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                                          static_cast<UINT>(bytes.size())));
    if (!stream.get()) throw XmlCodecError(XmlCodecProblem::NoMemory);
    Com<IXmlReader> reader;
    Check(createReader_(__uuidof(IXmlReader), reader.PutVoid(), nullptr), "CreateXmlReader");
    Check(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit),
          "SetProperty(DtdProcessing)");
    // The screen holds the document to kMaxXmlDepth levels; the library's
    // own limit stands one above, as Wine's refuses a document that reaches
    // it.
    Check(reader->SetProperty(XmlReaderProperty_MaxElementDepth, kMaxXmlDepth + 1),
          "SetProperty(MaxElementDepth)");
    // No entity can be declared without a document type; the limit stands
    // all the same where the library knows it (Wine's does not).
    const HRESULT expansion =
        reader->SetProperty(XmlReaderProperty_MaxEntityExpansion, kMaxXmlTextBytes);
    if (expansion != E_NOTIMPL) Check(expansion, "SetProperty(MaxEntityExpansion)");
    Check(reader->SetInput(stream.get()), "SetInput");
    const CrashFilter crashFilter;
    const auto failWith = [&](XmlProblem problem, XmlFacts facts = {}) {
      UINT line = 0, column = 0;
      reader->GetLineNumber(&line);
      reader->GetLinePosition(&column);
      throw XmlSyntaxError(static_cast<int>(line), static_cast<int>(column), problem, std::move(facts));
    };
    const auto fail = [&](HRESULT hr) {
      XmlFacts facts;
      const XmlProblem problem = Describe(hr, facts);
      failWith(problem, std::move(facts));
    };
    // The read ends at the end of the document (S_FALSE) or at an error.
    // A reader that goes on handing out nodes without getting anywhere is
    // stopped too: Wine's gives the same blank node for ever at the end of
    // a file cut short. Every node takes at least one character, so there
    // are never more nodes than bytes; and while Wine's reader tells a blank
    // the place of the node before it, so that two in a row may share one,
    // a run of more than kStill nodes in one place is a reader that is stuck.
    constexpr int kStill = 4;
    UINT lastLine = 0, lastColumn = 0;
    int still = 0;
    for (size_t nodes = 0;; ++nodes) {
      XmlNodeType type = XmlNodeType_None;
      const HRESULT hr = reader->Read(&type);
      if (hr == S_FALSE) break;
      if (hr != S_OK) fail(FAILED(hr) ? hr : E_UNEXPECTED);
      UINT line = 0, column = 0, depth = 0;
      reader->GetLineNumber(&line);
      reader->GetLinePosition(&column);
      still = line == lastLine && column == lastColumn ? still + 1 : 0;
      if (still >= kStill || nodes > bytes.size())
        failWith(XmlProblem::ReaderStuck);
      lastLine = line;
      lastColumn = column;
      if (type != XmlNodeType_Element) continue;
      XmlElement element;
      reader->GetDepth(&depth);
      element.line = static_cast<int>(line);
      element.column = static_cast<int>(column);
      element.depth = static_cast<int>(depth);
      element.name = LocalName(reader.get(), fail);
      HRESULT move = reader->MoveToFirstAttribute();
      for (; move == S_OK; move = reader->MoveToNextAttribute()) {
        const WCHAR* uri = nullptr;
        UINT uriLength = 0;
        if (FAILED(reader->GetNamespaceUri(&uri, &uriLength))) fail(E_FAIL);
        if (Narrow(uri, uriLength) == "http://www.w3.org/2000/xmlns/") continue;
        const WCHAR* value = nullptr;
        UINT valueLength = 0;
        const std::string name = LocalName(reader.get(), fail);
        const HRESULT got = reader->GetValue(&value, &valueLength);
        if (FAILED(got)) fail(got);
        element.attributes.push_back({name, Narrow(value, valueLength)});
      }
      if (FAILED(move)) fail(move);
      onElement(element);
    }
  }

  std::string Write(const XmlNode& root) override {
    // XmlLite on Windows escapes what an attribute value cannot hold as it
    // is; Wine's (8.0) writes values as they are, which would leave a
    // quote or an ampersand to break the file. Whether it does is found out
    // once, by writing one, and the values are escaped here when it does not.
    if (!writerKnown_) {
      const std::string probe = WriteDocument(XmlNode{"p", {{"a", "&<"}}, {}}, false);
      writerEscapes_ = probe.find("&<") == std::string::npos;
      writerKnown_ = true;
    }
    return WriteDocument(root, !writerEscapes_);
  }

 private:
  template <class Fail>
  static std::string LocalName(IXmlReader* reader, const Fail& fail) {
    const WCHAR* name = nullptr;
    UINT length = 0;
    const HRESULT hr = reader->GetLocalName(&name, &length);
    if (FAILED(hr)) fail(hr);
    return Narrow(name, length);
  }

  std::string WriteDocument(const XmlNode& root, bool escape) {
    Com<IStream> stream(SHCreateMemStream(nullptr, 0));
    if (!stream.get()) throw XmlCodecError(XmlCodecProblem::NoMemory);
    Com<IXmlWriter> writer;
    Check(createWriter_(__uuidof(IXmlWriter), writer.PutVoid(), nullptr), "CreateXmlWriter");
    Check(writer->SetProperty(XmlWriterProperty_Indent, TRUE), "SetProperty(Indent)");
    Check(writer->SetProperty(XmlWriterProperty_ByteOrderMark, FALSE),
          "SetProperty(ByteOrderMark)");
    Check(writer->SetOutput(stream.get()), "SetOutput");
    Check(writer->WriteStartDocument(XmlStandalone_Omit), "WriteStartDocument");
    WriteNode(writer.get(), root, escape);
    Check(writer->WriteEndDocument(), "WriteEndDocument");
    Check(writer->Flush(), "Flush");

    STATSTG stat{};
    Check(stream->Stat(&stat, STATFLAG_NONAME), "IStream::Stat");
    LARGE_INTEGER start{};
    Check(stream->Seek(start, STREAM_SEEK_SET, nullptr), "IStream::Seek");
    std::string bytes(static_cast<size_t>(stat.cbSize.QuadPart), '\0');
    ULONG read = 0;
    Check(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read), "IStream::Read");
    bytes.resize(read);
    return bytes;
  }

  static void WriteNode(IXmlWriter* writer, const XmlNode& node, bool escape) {
    Check(writer->WriteStartElement(nullptr, Wide(node.name).c_str(), nullptr),
          "WriteStartElement");
    for (const auto& a : node.attributes)
      Check(writer->WriteAttributeString(nullptr, Wide(a.name).c_str(), nullptr,
                                         Wide(escape ? Escaped(a.value) : a.value).c_str()),
            "WriteAttributeString");
    for (const auto& child : node.children) WriteNode(writer, child, escape);
    Check(writer->WriteEndElement(), "WriteEndElement");
  }

  static std::string Escaped(const std::string& value) { return EscapeXmlAttribute(value); }

  HMODULE module_;
  CreateFunction createReader_ = nullptr;
  CreateFunction createWriter_ = nullptr;
  bool writerKnown_ = false;
  bool writerEscapes_ = false;
};

}  // namespace

void SetXmlCrashHandler(void (*onCrash)(unsigned long exceptionCode)) { g_onCrash = onCrash; }

std::unique_ptr<IXmlCodec> MakeXmlLiteCodec() { return std::make_unique<XmlLiteCodec>(); }

std::unique_ptr<IXmlCodec> MakeSystemXmlCodec() { return MakeXmlLiteCodec(); }

}  // namespace hollin::cli
