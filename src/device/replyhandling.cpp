#include "app/kavrin.h"

void Kavrin::readReply() {}
void Kavrin::checkDeviceAlive() {}
void Kavrin::handleStatusFrame(const QByteArray &) {}
