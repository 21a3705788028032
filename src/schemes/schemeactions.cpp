#include "app/kavrin.h"

void Kavrin::saveScheme() {}
void Kavrin::showSchemeList() {}
void Kavrin::applyScheme(ProgramLabel *) {}
void Kavrin::handleSchemeMenu(QAction *, ProgramLabel *) {}
