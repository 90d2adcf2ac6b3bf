// Errors that escape an event handler: shown in a message box, and the program goes on.
#pragma once

#include <exception>

namespace kelvane {

// Shows the error's text in the message box.
void ShowEventError(const char* what);

// Runs an event handler and shows any error that escapes it. Qt's own code is built without
// exceptions, so the window's handlers stop an error before it can cross Qt's frames;
// KelvaneApplication::notify catches whatever other code lets through, the same way.
template <typename Handler>
void RunHandler(Handler&& handler) noexcept {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowEventError(e.what());
  } catch (...) {
    ShowEventError("Unknown error");
  }
}

}  // namespace kelvane
