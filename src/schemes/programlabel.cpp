#include "schemes/programlabel.h"

ProgramLabel::ProgramLabel(const QString &, const QString &) {}
void ProgramLabel::showMenu() {}
void ProgramLabel::mouseReleaseEvent(QMouseEvent *) {}
