// What ends the program when an exception escapes (std::terminate) in the
// GNU C++ runtime: the exception's message on the standard error (what a
// script running hollinc.exe sees), then abort(). It takes the place of the
// runtime's own handler, which names the exception's type through the
// runtime's demangler and so brings 45 KB into each program; the message
// the program's exceptions carry says more than their type.
#include <cstdio>
#include <cstdlib>
#include <exception>

#if defined(__GLIBCXX__)
namespace __gnu_cxx {

void __verbose_terminate_handler() {
  static bool terminating = false;
  if (terminating) {
    std::fputs("terminate called recursively\n", stderr);  // verbatim
    std::abort();
  }
  terminating = true;
  if (const std::exception_ptr escaped = std::current_exception()) {
    try {
      std::rethrow_exception(escaped);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "terminate called after an exception: %s\n", e.what());  // verbatim
    } catch (...) {
      std::fputs("terminate called after an exception\n", stderr);  // verbatim
    }
  } else {
    std::fputs("terminate called without an active exception\n", stderr);  // verbatim
  }
  std::abort();
}

}  // namespace __gnu_cxx
#endif
