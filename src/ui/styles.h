#pragma once

#include <QString>

enum class StyleSheet { MainWindow, SchemeList, SchemeEntry };

// A style sheet from the program's resources, exactly as shipped.
QString loadStyleSheet(StyleSheet sheet);
