#pragma once

#include <QByteArray>

// Qt 5 and Qt 6 write some numbers of a JSON document differently: 1e16 is
// 10000000000000000 under Qt 5 and 1e+16 under Qt 6, 0.0005 is 0.0005 and
// 5e-04. Both write the shortest digits that read back as the same double,
// and differ only in the form, so this writes each number of a JSON text
// again in Qt 5's form and leaves everything else as it is.
QByteArray withQt5Numbers(const QByteArray &json);
