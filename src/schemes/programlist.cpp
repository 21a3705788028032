#include "schemes/programlist.h"

ProgramList::ProgramList(QWidget *) {}
void ProgramList::paintEvent(QPaintEvent *) {}
