// Starts the window: the program's desktop mode.
#pragma once

namespace kelvane {

int RunWindow(int argc, char** argv);

}  // namespace kelvane
