#pragma once

// Opens the operator's help, "help.chm" in the working folder, in a viewer
// of its own; nothing is reported when it cannot be shown.
void openHelp();
