// The eight images of the tool bar and the menus, drawn by the program itself so they need
// no image files and no image plug-in.
#pragma once

#include <QIcon>

namespace kelvane {

enum class ToolImage { Open, Save, OutputFromInput, InputFromOutput, Run, Cut, Copy, Paste };

QIcon ToolIcon(ToolImage image);

}  // namespace kelvane
