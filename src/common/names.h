// The program's two names: the short name is the application title, the long
// name the product name (the title of its message boxes). Both, and the
// version, come from the build (hollin_version.h).
#pragma once

#include "hollin_version.h"

namespace hollin {

inline constexpr const char* kAppTitle = HOLLIN_TITLE;
inline constexpr const char* kProductName = HOLLIN_PRODUCT;

}  // namespace hollin
