#include "app/kavrin.h"

void Kavrin::chooseManualMode(bool) {}
void Kavrin::chooseAutoMode(bool) {}
void Kavrin::chooseTriggerMode(bool) {}
void Kavrin::sendTriggerMode(int) {}
void Kavrin::toggleStartStop() {}
void Kavrin::switchAutoOff() {}
void Kavrin::sendParameters() {}
