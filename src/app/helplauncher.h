#pragma once

class QString;

// Where "help.chm" is: the working folder (the build folder, where
// scripts/run starts the program), beside the program (a Windows install),
// the installed data folder, then kavrin/ in the XDG data folders. The working
// folder's path when none holds it.
QString helpFilePath();

// Opens the operator's help in a viewer of its own: help.chm with hh.exe on
// Windows; elsewhere with the desktop's opener, or, where no program for CHM
// files is registered, "help/index.html" from the same places in the browser.
// Nothing is reported when it cannot be shown.
void openHelp();
