#pragma once

#include "leaderboard/scorefile.h"

#include <QString>

// Where the score file is read and written, decided when the leaderboard opens (start-up
// touches no file). An installed program (its folder is the install prefix's program folder,
// whoever runs it) keeps scores in the per-user data folder. A copy unpacked into a folder of
// its own keeps them beside itself; if it cannot write there, a table beside it is still shown
// and the per-user table starts as a copy of it with the first confirmed name.
ScoreFile::Place scorePlace(const QString &programDir, const QString &userDataDir,
                            const QString &installedProgramDir);

// The same for this program's install prefix; an empty userDataDir means this program's
// per-user data folder.
ScoreFile::Place scorePlace(const QString &programDir, const QString &userDataDir = {});
