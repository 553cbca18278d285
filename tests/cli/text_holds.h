// Whether a text holds a part, for EXPECT_TRUE and EXPECT_FALSE: either way
// a failure shows the part and the whole text.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace hollin {

inline ::testing::AssertionResult Holds(const std::string& text, const std::string& part) {
  auto result = text.find(part) != std::string::npos ? ::testing::AssertionSuccess() : ::testing::AssertionFailure();
  return result << "\"" << part << "\" " << (result ? "in" : "not in") << ":\n" << text;
}

}  // namespace hollin
