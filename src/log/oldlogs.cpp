#include "app/kavrin.h"

void Kavrin::removeOldLogs(int) {}
