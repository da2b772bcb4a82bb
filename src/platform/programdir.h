#pragma once

#include <QString>

// The program's directory followed by "/". Files beside the program (the score table) are
// named from it; a program in the root directory gives "//", which still names the file.
QString programDirectoryWithSeparator();
QString withSeparator(const QString &directory);
