// What the guard says: the sentences of its notice.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "registry/reg_entry.h"

namespace hollin::msg {

// The notice as one text, a sentence a line: what opens the changed types
// now ("3 file types now open with Grab (.pdf, .txt, .rtf)", the program
// named where they share one, at most ten types named; now holds what opens
// each, null for nothing), what was restored, what was refused, what only
// Settings can set, and what stopped the guard.
std::string GuardNotice(const std::vector<std::string>& types, const std::vector<std::shared_ptr<const AssocEntry>>& now,
                        const std::vector<std::string>& restored, const std::vector<std::string>& refused,
                        const std::vector<std::string>& choices, const std::string& problem);

}  // namespace hollin::msg
