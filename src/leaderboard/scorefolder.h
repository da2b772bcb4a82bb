#pragma once

#include <QString>

// The folder the score file lives in, without a final "/". Beside the program whenever the
// program may write there, so existing installations keep their table; otherwise (a system-wide
// install, a read-only medium) the per-user data folder, created here if need be. If neither can
// be written, the program's folder: its table can at least still be read.
QString scoreFolder(const QString &programDir, const QString &userDataDir);

// The same for this program: its own folder and the user's data folder for it.
QString scoreFolder();
