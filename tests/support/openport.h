#pragma once

class Kavrin;
class QString;

// Picks path in the port selector as the operator would and lets the window
// open it; true when the port is open afterwards.
bool openPortAt(Kavrin &window, const QString &path);
