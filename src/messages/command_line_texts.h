// What the command line says of itself: its usage, and what is wrong with
// a command line. The sentences of a run's reports and notes are in
// messages.h.
#pragma once

#include <string>

namespace hollin::msg {

// The usage text (--help, and with a wrong command line).
std::string Usage();

// What an option's value is, for "needs ...".
extern const char* const kRestoreValue;
extern const char* const kRestoreFromValue;
extern const char* const kExportValue;
extern const char* const kReportValue;
extern const char* const kFormatValue;
extern const char* const kBaseValue;

// What is wrong with an argument (as given).
std::string OptionWithAnotherAction(const std::string& arg);
std::string OptionNeeds(const std::string& arg, const char* value);
std::string OptionNeedsNotEmpty(const std::string& arg, const char* value);
std::string OptionNamesNoType(const std::string& arg);
std::string OptionTwice(const std::string& arg);
std::string OptionNotAGeneration(const std::string& arg, const std::string& given);
std::string OptionNotAFormat(const std::string& arg, const std::string& given);
std::string NotAnOption(const std::string& arg);

// What is wrong with the options together.
extern const char* const kNoAction;
extern const char* const kRestoreFromWithRestore;
extern const char* const kStrictWithoutCheck;
extern const char* const kHealthWithoutCheck;
extern const char* const kHealthWithBase;
extern const char* const kXmlBaseOnlyRead;
extern const char* const kXmlBaseNoHistory;
extern const char* const kXmlBaseNoExport;

// XmlLite crashed on an associations file (the exception's code).
std::string XmlReaderCrashed(unsigned long exceptionCode);

}  // namespace hollin::msg
