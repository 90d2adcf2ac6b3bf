// Errors that escape an event handler: shown in a message box, and the program goes on;
// a fatal fault ends the program there, on the window's thread.
#pragma once

#include <exception>

#include "platform/fault.h"

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
  } catch (const FatalError& e) {
    EndOnFatalError(e);
  } catch (const std::exception& e) {
    ShowEventError(e.what());
  } catch (...) {
    ShowEventError("Unknown error");
  }
}

}  // namespace kelvane
