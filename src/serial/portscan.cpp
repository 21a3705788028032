#include "app/kavrin.h"

QStringList Kavrin::availablePortNames() const { return {}; }
void Kavrin::refreshPortList() {}
