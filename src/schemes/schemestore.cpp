#include "app/kavrin.h"

#include <QJsonValue>

void Kavrin::readSchemeFile() {}
void Kavrin::writeSchemeFile() {}
QJsonObject Kavrin::schemeFromInputs() const { return {}; }
void Kavrin::applySchemeToInputs(const QJsonValue &) {}
void Kavrin::rebuildSchemeList() {}
