// Modal message boxes. The program asks and tells the user through this
// service; Win32 shows a MessageBoxA, the tests script the answers.
#pragma once

#include <string>

namespace hollin {

enum class MbButtons { Ok, YesNo };
enum class MbIcon { None, Exclamation, Question, Information, Critical };
enum class MbDefault { First, Second };
enum class MbAnswer { Ok, Yes, No };

struct MessageBoxRequest {
  std::string text;
  MbButtons buttons = MbButtons::Ok;
  MbIcon icon = MbIcon::None;
  MbDefault defaultButton = MbDefault::First;
  std::string title;
};

class IMessageBox {
 public:
  virtual ~IMessageBox() = default;
  virtual MbAnswer Show(const MessageBoxRequest& request) = 0;
};

}  // namespace hollin
