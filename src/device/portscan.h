#pragma once

#include <QStringList>

// The serial ports the platform reports, in its order, busy ones included;
// then the names listed in KAVRIN_EXTRA_PORTS (separated as in PATH), since
// Qt lists no pseudo-terminals (simulators, port forwarders).
QStringList availablePortNames();
