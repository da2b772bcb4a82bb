#pragma once

#include "scores/scorefile.h"

#include <QString>

// Where the score file is read and written, decided when the leaderboard opens (start-up
// touches no file). An installed program (its folder is the install prefix's program folder,
// whoever runs it) keeps scores in the per-user data folder. A copy unpacked into a folder of
// its own keeps them beside itself; if it cannot write there, or may not write the table there,
// that table is still shown and the per-user table starts as a copy of it with the first
// confirmed name. An empty userDataDir: there is no per-user folder, and an installed program
// then keeps no table at all. Missing folders are made below makeBelow (empty: the parent of
// userDataDir), never above it.
ScoreFile::Place scorePlace(const QString &programDir, const QString &userDataDir,
                            const QString &installedProgramDir, const QString &makeBelow = {});

// The same for this program's install prefix; an empty userDataDir means this program's
// folder in the player's data folder ($XDG_DATA_HOME, or ~/.local/share).
ScoreFile::Place scorePlace(const QString &programDir, const QString &userDataDir = {});
