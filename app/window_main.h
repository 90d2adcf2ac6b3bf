// Starts the window: the program's desktop mode.
#pragma once

int RunWindow(int argc, char** argv);
