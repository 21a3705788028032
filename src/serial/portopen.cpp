#include "app/kavrin.h"

void Kavrin::openSelectedPort() {}
void Kavrin::closePort() {}
void Kavrin::handlePortError(int) {}
