#pragma once

class QTemporaryDir;

// Points HOME, the XDG folders and the documents folder at a new temporary
// folder, so a benchmark's scheme file and logs never reach the real home.
// Call before the application object exists; the folder goes with the result.
QTemporaryDir *useTemporaryHome();
