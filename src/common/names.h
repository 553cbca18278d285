// The program's two names: the short name is the application title, the long
// name the product name (the title of its message boxes).
#pragma once

namespace hollin {

inline constexpr const char* kAppTitle = "Hollin";
inline constexpr const char* kProductName = "Brellmark";

}  // namespace hollin
