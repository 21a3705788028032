#include "app/kavrin.h"

void Kavrin::openHelp() {}
