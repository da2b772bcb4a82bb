#pragma once

#include <QString>

// The rules of the game, three paragraphs with one empty line between them.
QString helpText();
