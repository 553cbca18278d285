#include "base/base_table.h"

#include <bit>
#include <cstring>
#include <limits>

#include "base/base_file_error.h"
#include "base/checksum.h"
#include "common/text.h"

namespace hollin {
namespace {

constexpr std::string_view kLayoutTag = "layout\t";
constexpr std::string_view kFieldsTag = "fields";
constexpr std::string_view kEndTag = "end\t";
constexpr std::string_view kRecordsTag = " records\txxh64 ";
constexpr size_t kHexDigits = 16;
constexpr char kEscape = '`';
constexpr char kHex[] = "0123456789ABCDEF";

inline bool NeedsEscape(unsigned char c) {
  return c < 0x20 || c == 0x7F || c == static_cast<unsigned char>(kEscape);
}

// One bit (the top bit of its byte) for each of the eight bytes of w that is
// a control byte or the escape. The lowest set bit is exact: the bit tricks
// can only mark a byte falsely above a byte that is marked rightly.
inline std::uint64_t SpecialBytes(std::uint64_t w) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  const std::uint64_t below = (w - kOnes * 0x20) & ~w & kHigh;
  const std::uint64_t a = w ^ (kOnes * 0x60);
  const std::uint64_t b = w ^ (kOnes * 0x7F);
  return below | ((a - kOnes) & ~a & kHigh) | ((b - kOnes) & ~b & kHigh);
}

// The first special byte of the word at p, which holds one.
inline const char* FirstSpecialIn(const char* p, std::uint64_t marks) {
  if constexpr (std::endian::native == std::endian::little) {
    return p + (std::countr_zero(marks) >> 3);
  } else {
    while (!NeedsEscape(static_cast<unsigned char>(*p))) ++p;
    return p;
  }
}

// The first byte in [p, end) that needs an escape, or end. Tabs and line
// feeds count: they end values. Eight bytes at a time; a short rest is
// looked at through one last word that overlaps bytes already passed.
inline const char* FindSpecial(const char* p, const char* const end) {
  const char* const start = p;
  std::uint64_t w;
  for (; end - p >= 8; p += 8) {
    std::memcpy(&w, p, 8);
    if (const std::uint64_t marks = SpecialBytes(w)) return FirstSpecialIn(p, marks);
  }
  if (p == end) return end;
  if (end - start >= 8) {
    std::memcpy(&w, end - 8, 8);
    const std::uint64_t marks = SpecialBytes(w);
    return marks ? FirstSpecialIn(end - 8, marks) : end;
  }
  while (p < end && !NeedsEscape(static_cast<unsigned char>(*p))) ++p;
  return p;
}

inline int UpperHex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Appends value in its escaped form; true when it needed an escape.
bool AppendEscaped(std::string& out, std::string_view value) {
  const char* p = value.data();
  const char* const end = p + value.size();
  bool escaped = false;
  for (;;) {
    const char* q = FindSpecial(p, end);
    out.append(p, q);
    if (q == end) return escaped;
    const auto c = static_cast<unsigned char>(*q);
    const char esc[3] = {kEscape, kHex[c >> 4], kHex[c & 15]};
    out.append(esc, 3);
    escaped = true;
    p = q + 1;
  }
}

std::string Unescape(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == kEscape) {
      out += static_cast<char>(UpperHex(raw[i + 1]) * 16 + UpperHex(raw[i + 2]));
      i += 2;
    } else {
      out += raw[i];
    }
  }
  return out;
}

// Scans one escaped value starting at p. Returns the tab or line feed that
// ends it, or nullptr with why set when the value is malformed.
const char* ScanValue(const char* p, const char* end, bool& escaped,
                      BaseFileReason& why) {
  for (;;) {
    p = FindSpecial(p, end);
    if (p == end) {
      why = BaseFileReason::NoLineFeed;
      return nullptr;
    }
    const auto c = static_cast<unsigned char>(*p);
    if (c == '\t' || c == '\n') return p;
    if (c != static_cast<unsigned char>(kEscape)) {
      why = BaseFileReason::ControlByte;
      return nullptr;
    }
    const int hi = end - p >= 3 ? UpperHex(p[1]) : -1;
    const int lo = end - p >= 3 ? UpperHex(p[2]) : -1;
    if (hi < 0 || lo < 0) {
      why = BaseFileReason::UnreadableEscape;
      return nullptr;
    }
    if (!NeedsEscape(static_cast<unsigned char>(hi * 16 + lo))) {
      why = BaseFileReason::NeedlessEscape;
      return nullptr;
    }
    escaped = true;
    p += 3;
  }
}

// A decimal number in its one written form: digits, no leading zero.
bool ParseDecimal(std::string_view s, std::uint64_t& out) {
  if (s.empty() || s.size() > 18 || (s.size() > 1 && s[0] == '0')) return false;
  out = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    out = out * 10 + static_cast<unsigned>(c - '0');
  }
  return true;
}

}  // namespace

size_t BaseTable::FieldsOfLayout(std::string_view layout) {
  size_t fields = 0;
  bool keyed = false;
  size_t i = 0;
  while (i < layout.size()) {
    if (layout[i++] != '$') return 0;
    ++fields;
    if (i < layout.size() && layout[i] == '*') {
      if (keyed) return 0;
      keyed = true;
      size_t digits = 0;
      while (++i < layout.size() && layout[i] >= '0' && layout[i] <= '9') ++digits;
      if (digits == 0 || digits > 9) return 0;
    }
  }
  return fields;
}

void BaseTable::Reset(std::string layout) {
  const size_t fields = FieldsOfLayout(layout);
  layout_ = std::move(layout);
  names_.assign(fields, std::string());
  text_.clear();
  bodyBegin_ = 0;
  offsets_.clear();
  escaped_.clear();
  unparsed_ = false;
  building_ = false;
}

int BaseTable::FindField(std::string_view name) const {
  if (name.empty()) return -1;
  for (size_t i = 0; i < names_.size(); ++i) {  // the stored spelling, most often
    const std::string& n = names_[i];
    if (n.size() != name.size()) continue;
    size_t k = 0;
    while (k < n.size() && n[k] == name[k]) ++k;
    if (k == n.size()) return static_cast<int>(i);
  }
  for (size_t i = 0; i < names_.size(); ++i)
    if (EqualsNoCase(names_[i], name)) return static_cast<int>(i);
  return -1;
}

std::string_view BaseTable::Value(size_t record, size_t field,
                                  std::string& scratch) const {
  ParseRecords();
  const size_t stride = names_.size() + 1;
  const std::uint32_t* o = &offsets_[record * stride];
  const size_t begin = o[field];
  const size_t end = field + 1 < names_.size() ? o[field + 1] - 1 : o[names_.size()];
  const std::string_view raw(text_.data() + bodyBegin_ + begin, end - begin);
  if (!escaped_[record] || raw.find(kEscape) == std::string_view::npos) return raw;
  scratch = Unescape(raw);
  return scratch;
}

void BaseTable::Clear() {
  building_ = false;
  unparsed_ = false;
  text_.resize(bodyBegin_);
  offsets_.clear();
  escaped_.clear();
}

void BaseTable::Append(const std::vector<std::string>& values) {
  DropRecord();
  ParseRecords();
  bool escaped = false;
  const size_t start = text_.size();
  const size_t firstOffset = offsets_.size();
  for (size_t f = 0; f < names_.size(); ++f) {
    offsets_.push_back(static_cast<std::uint32_t>(text_.size() - bodyBegin_));
    if (AppendEscaped(text_, values[f])) escaped = true;
    text_ += f + 1 < names_.size() ? '\t' : '\n';
  }
  offsets_.push_back(static_cast<std::uint32_t>(text_.size() - 1 - bodyBegin_));
  if (text_.size() >= std::numeric_limits<std::uint32_t>::max()) {
    text_.resize(start);
    offsets_.resize(firstOffset);
    throw std::length_error("BaseTable");
  }
  escaped_.push_back(escaped ? 1 : 0);
}

void BaseTable::BeginRecord() {
  DropRecord();
  ParseRecords();
  building_ = true;
  inPlace_ = true;
  recordStart_ = text_.size();
  pendingStarts_.clear();
  pendingEscaped_ = false;
}

void BaseTable::SetValue(size_t field, std::string_view value) {
  if (inPlace_ && field >= pendingStarts_.size()) {
    while (pendingStarts_.size() <= field) {  // skipped fields stay empty
      pendingStarts_.push_back(static_cast<std::uint32_t>(text_.size() - bodyBegin_));
      if (pendingStarts_.size() == field + 1 && AppendEscaped(text_, value))
        pendingEscaped_ = true;
      text_ += '\t';
    }
    return;
  }
  if (inPlace_) {  // out of order: take the values set so far aside
    side_.assign(names_.size(), std::string());
    std::string scratch;
    for (size_t f = 0; f < pendingStarts_.size(); ++f)
      side_[f] = std::string(PendingValue(f, scratch));
    text_.resize(recordStart_);
    inPlace_ = false;
  }
  side_[field].assign(value);
}

std::string_view BaseTable::PendingValue(size_t field, std::string& scratch) const {
  if (!inPlace_) return side_[field];
  if (field >= pendingStarts_.size()) return {};
  const size_t begin = bodyBegin_ + pendingStarts_[field];
  const size_t end = field + 1 < pendingStarts_.size()
                         ? bodyBegin_ + pendingStarts_[field + 1] - 1
                         : text_.size() - 1;
  const std::string_view raw(text_.data() + begin, end - begin);
  if (!pendingEscaped_ || raw.find(kEscape) == std::string_view::npos) return raw;
  scratch = Unescape(raw);
  return scratch;
}

void BaseTable::EndRecord() {
  if (!building_) return;
  building_ = false;
  if (!inPlace_) return Append(side_);
  while (pendingStarts_.size() < names_.size()) {
    pendingStarts_.push_back(static_cast<std::uint32_t>(text_.size() - bodyBegin_));
    text_ += '\t';
  }
  text_.back() = '\n';
  if (text_.size() >= std::numeric_limits<std::uint32_t>::max()) {
    text_.resize(recordStart_);
    throw std::length_error("BaseTable");
  }
  offsets_.insert(offsets_.end(), pendingStarts_.begin(), pendingStarts_.end());
  offsets_.push_back(static_cast<std::uint32_t>(text_.size() - 1 - bodyBegin_));
  escaped_.push_back(pendingEscaped_ ? 1 : 0);
}

void BaseTable::DropRecord() {
  if (building_ && inPlace_) text_.resize(recordStart_);
  building_ = false;
}

std::string BaseTable::Header() const {
  std::string out;
  out += kMagic;
  out += '\t';
  out += std::to_string(kFormatVersion);
  out += '\n';
  out += kLayoutTag;
  out += layout_;
  out += '\n';
  out += kFieldsTag;
  for (const std::string& name : names_) {
    out += '\t';
    AppendEscaped(out, name);
  }
  out += '\n';
  return out;
}

std::string_view BaseTable::Seal() {
  DropRecord();
  ParseRecords();
  const std::string header = Header();
  if (text_.compare(0, bodyBegin_, header) != 0) {
    text_.replace(0, bodyBegin_, header);
    bodyBegin_ = header.size();
  }
  sealedFrom_ = text_.size();
  text_ += kEndTag;
  text_ += std::to_string(RecordCount());
  text_ += kRecordsTag;
  std::uint64_t sum = Xxh64(text_);
  char hex[kHexDigits];
  for (size_t i = kHexDigits; i-- > 0; sum >>= 4) hex[i] = "0123456789abcdef"[sum & 15];
  text_.append(hex, kHexDigits);
  text_ += '\n';
  return text_;
}

void BaseTable::Unseal() { text_.resize(sealedFrom_); }

std::string BaseTable::Encode() const {
  BaseTable copy = *this;
  return std::string(copy.Seal());
}

void BaseTable::Decode(std::string& bytes, const std::string& path) {
  Reset(std::string());
  auto fail = [&](BaseFileReason reason, BaseFileFacts facts = {}) {
    Reset(std::string());
    throw BaseFileError(reason, path, std::move(facts));
  };
  auto damaged = [&](BaseFileReason reason) { fail(reason); };
  const std::string_view all(bytes);
  if (all.empty()) damaged(BaseFileReason::Empty);
  if (all.size() >= std::numeric_limits<std::uint32_t>::max())
    damaged(BaseFileReason::TooLarge);

  // The first line: magic word and format version. The version is judged
  // before anything else, since another version may end differently.
  if (all.substr(0, kMagic.size() + 1) != std::string(kMagic) + '\t')
    fail(BaseFileReason::NotABaseFile, BaseFileFacts().Name(std::string(kMagic)));
  const size_t line1End = all.find('\n');
  if (line1End == std::string_view::npos) damaged(BaseFileReason::TruncatedAfterFirstLine);
  std::uint64_t version = 0;
  if (!ParseDecimal(all.substr(kMagic.size() + 1, line1End - kMagic.size() - 1), version) ||
      version == 0)
    damaged(BaseFileReason::VersionUnreadable);
  // A version this one cannot read may end otherwise: what it cannot read
  // of its end is no damage. But one that ends as this version's files do
  // and fails their checksum is damaged, whatever version it names (a bit
  // flipped in the version's digit names another).
  const bool unknownVersion = version < kOldestFormatVersion || version > kFormatVersion;
  const auto newerFormat = [&] {
    fail(BaseFileReason::NewerFormat, BaseFileFacts().Number(version));
  };
  const auto endDamaged = [&](BaseFileReason reason) {
    if (unknownVersion) newerFormat();
    damaged(reason);
  };

  // The end line: record count and checksum.
  if (all.back() != '\n') endDamaged(BaseFileReason::NoEndLineAtEnd);
  if (const size_t lastByte = all.find_last_not_of('\n');
      lastByte != std::string_view::npos && lastByte + 2 < all.size()) {
    const size_t lineStart = all.rfind('\n', lastByte);
    if (all.substr(lineStart + 1, kEndTag.size()) == kEndTag)
      endDamaged(BaseFileReason::EmptyLinesAfterEnd);
  }
  const size_t endLine = all.rfind('\n', all.size() - 2) + 1;
  const std::string_view last = all.substr(endLine, all.size() - 1 - endLine);
  if (endLine <= line1End || last.substr(0, kEndTag.size()) != kEndTag)
    endDamaged(BaseFileReason::EndLineMissing);
  const size_t countEnd = last.find(' ', kEndTag.size());
  std::uint64_t count = 0, sum = 0;
  const std::string_view countText =
      last.substr(kEndTag.size(), countEnd == std::string_view::npos ? 0 : countEnd - kEndTag.size());
  const std::string_view sumText =
      countEnd == std::string_view::npos ? std::string_view() : last.substr(countEnd);
  if (!ParseDecimal(countText, count) ||
      sumText.size() != kRecordsTag.size() + kHexDigits ||
      sumText.substr(0, kRecordsTag.size()) != kRecordsTag)
    endDamaged(BaseFileReason::EndLineUnreadable);
  for (char c : sumText.substr(kRecordsTag.size())) {
    const int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
    if (d < 0) endDamaged(BaseFileReason::EndLineUnreadable);
    sum = (sum << 4) | static_cast<unsigned>(d);
  }
  const size_t sumAt = all.size() - 1 - kHexDigits;
  if (Xxh64(all.substr(0, sumAt)) != sum)
    damaged(BaseFileReason::ChecksumMismatch);
  if (unknownVersion) newerFormat();

  // From here on the bytes are as a writer made them; what is wrong now was
  // written so (by an edit or a fault), and is reported by line.
  const char* const base = bytes.data();
  const char* const bodyEnd = base + endLine;
  const char* p = base + line1End + 1;
  size_t line = 2;
  auto lineError = [&](BaseFileReason reason, BaseFileFacts facts = {}) {
    facts.line = line;
    fail(reason, std::move(facts));
  };

  // Line 2: the layout.
  const char* eol = static_cast<const char*>(std::memchr(p, '\n', bodyEnd - p));
  const std::string_view layoutLine(p, eol ? eol - p : 0);
  if (!eol || layoutLine.substr(0, kLayoutTag.size()) != kLayoutTag ||
      FieldsOfLayout(layoutLine.substr(kLayoutTag.size())) == 0)
    lineError(BaseFileReason::NoLayout);
  std::string layout(layoutLine.substr(kLayoutTag.size()));
  const size_t fields = FieldsOfLayout(layout);
  p = eol + 1;
  ++line;

  // Line 3: the field names.
  std::vector<std::string> names;
  names.reserve(fields);
  if (static_cast<size_t>(bodyEnd - p) < kFieldsTag.size() ||
      std::string_view(p, kFieldsTag.size()) != kFieldsTag)
    lineError(BaseFileReason::NoFieldNames);
  p += kFieldsTag.size();
  BaseFileReason why{};
  for (size_t f = 0; f < fields; ++f) {
    if (p >= bodyEnd || *p != '\t')
      lineError(BaseFileReason::FieldCount, BaseFileFacts().Number(f).Count(fields));
    bool escaped = false;
    const char* stop = ScanValue(++p, bodyEnd, escaped, why);
    if (!stop) lineError(why);
    std::string name = Unescape(std::string_view(p, stop - p));
    for (const std::string& other : names)
      if (!name.empty() && EqualsNoCase(other, name))
        lineError(BaseFileReason::FieldNamedTwice, BaseFileFacts().Name(name));
    names.push_back(std::move(name));
    p = stop;
  }
  if (p >= bodyEnd || *p != '\n') lineError(BaseFileReason::MoreFieldsThanLayout);
  ++p;
  ++line;

  bytes.resize(endLine);
  layout_ = std::move(layout);
  names_ = std::move(names);
  text_.swap(bytes);
  bodyBegin_ = static_cast<size_t>(p - base);
  declaredCount_ = count;
  path_ = path;
  unparsed_ = true;
}

void BaseTable::ParseRecordLines() const {
  unparsed_ = false;
  offsets_.clear();
  escaped_.clear();
  const size_t fields = names_.size();
  const char* const body = text_.data() + bodyBegin_;
  const char* const bodyEnd = text_.data() + text_.size();
  const char* p = body;
  size_t line = 4;
  BaseFileReason why{};
  auto lineError = [&](BaseFileReason reason, BaseFileFacts facts = {}) {
    offsets_.clear();
    escaped_.clear();
    facts.line = line;
    throw BaseFileError(reason, path_, std::move(facts));
  };
  const std::uint64_t count = declaredCount_;
  std::vector<std::uint32_t>& offsets = offsets_;  // filled in place: their
  std::vector<std::uint8_t>& escapedFlags = escaped_;  // storage is reused
  if (count <= static_cast<std::uint64_t>(bodyEnd - p)) {  // a record takes a byte at least
    offsets.reserve(static_cast<size_t>(count) * (fields + 1));
    escapedFlags.reserve(static_cast<size_t>(count));
  }
  while (p < bodyEnd) {
    bool escaped = false;
    for (size_t f = 0; f < fields; ++f) {
      offsets.push_back(static_cast<std::uint32_t>(p - body));
      const char* stop = ScanValue(p, bodyEnd, escaped, why);
      if (!stop) lineError(why);
      if ((*stop == '\n') != (f + 1 == fields))
        lineError(*stop == '\n' ? BaseFileReason::FewerValues : BaseFileReason::MoreValues, BaseFileFacts().Count(fields));
      p = stop + 1;
    }
    offsets.push_back(static_cast<std::uint32_t>(p - 1 - body));
    escapedFlags.push_back(escaped ? 1 : 0);
    ++line;
  }
  if (escapedFlags.size() != count) {
    const size_t found = escapedFlags.size();
    offsets_.clear();
    escaped_.clear();
    throw BaseFileError(BaseFileReason::RecordCount, path_, BaseFileFacts().Number(count).Count(found));
  }
}


}  // namespace hollin
