#include "ui/kavrin_ui.h"

const char *const mainStyleSheet = "";
