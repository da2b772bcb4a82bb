#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

#include <array>
#include <optional>

// The high-score table as kept in "tavik.tmp": ten lines "name,score",
// best first, CR LF, names in GBK. Nothing here shows anything; every operation reports how
// it went and the leaderboard window decides what the player sees.

struct ScoreEntry
{
    // The name's bytes exactly as the file held them. Entries are written back from these,
    // never from the decoded text, so a name from another machine (or a damaged one) survives
    // every rewrite of the table unchanged.
    QByteArray rawName;
    QString name; // rawName decoded, for showing
    qint32 score = 0;
};

constexpr int ScoreSlots = 10;
using ScoreTable = std::array<ScoreEntry, ScoreSlots>;

namespace ScoreFile {

enum class ReadStatus
{
    Read,      // the first ten lines are in the table
    Missing,   // no file; the table is unchanged
    Unreadable // the file is there but could not be read; the table is unchanged
};

enum class WriteStatus
{
    Written,
    Failed, // the file on disk is as it was before
    Busy    // another living copy of the game is saving: nothing done yet, try again soon
};

// What opening the leaderboard found; each outcome sets the window up differently.
enum class Outcome
{
    MadeTable,   // file read, the new score has a place
    MissedTable, // file read, every entry is at least as good as the new score
    Created,     // no file: a fresh table was written, the new score takes first place
    Fresh,       // no file and none made (it could not be written, or the path is a link that
                 // points nowhere): the fresh table is in memory only
    Unreadable,  // a file we cannot read: left alone, the table in memory is the fresh one
    ReadOnly,    // file read, the new score has a place, but the table is one the player may
                 // not write and no other is theirs: shown, no name can be saved
    Nowhere      // no folder of the player's to keep a table in (no home): nothing is written
};

QString pathFor(const QString &sPath);

// Only a regular file is ever read: whatever else stands at the path (a pipe, a device, a
// socket, a folder, another user's symbolic link) is Unreadable, found without blocking. A
// link is followed only when it belongs to the player, as the kernel's protected_symlinks rule
// does in shared folders. A link of the player's that points nowhere is Missing.
//
// Fills the slots from the first ten lines. A line's first comma splits name and score; a
// line without one keeps the slot's name and is read whole as the score; a score that is not
// a decimal 32-bit integer keeps the slot's score. Fewer lines leave the other slots as they
// were. Either all of it happens or, on a read error, none of it.
ReadStatus readTable(const QString &path, ScoreTable &table);

// Ten entries named "0" with score 0, in memory and in the file (see Place::makeBelow).
void setDefaultTable(ScoreTable &table);
WriteStatus createDefaultFile(const QString &path, const QString &makeBelow = {});

// The lowest slot whose score is strictly below newScore, or -1. The table need not be sorted;
// an equal score never pushes an entry down.
qint16 rankScore(const ScoreTable &table, qint32 newScore);

// Where the table is read from when the leaderboard opens, and where confirmed names go. The
// two differ only for a program in a folder it cannot write: its table is shown, and the
// per-user table starts as a copy of it.
struct Place
{
    QString readPath;
    QString writePath; // empty: there is nowhere to keep a table
    // The folders missing between this one (which must exist: the player's home, or their
    // data folder) and the table are made when its first file is written; empty: none are.
    QString makeBelow;
};

// Whether the player may replace the file at path: there is none yet, or they may write it.
// Root may write any file, but one with no write bit at all was made read-only on purpose, and
// stays so for root too.
bool mayRewrite(const QString &path);

// Read (or create) the table and rank newScore against it, as the window does when it opens.
// A missing file is created at writePath, unless that is a link pointing nowhere: no file
// appears through a link.
Outcome open(const Place &place, qint32 newScore, ScoreTable &table, qint16 &insertion);

// How long a confirmation keeps trying while another copy of the game saves, and how often.
constexpr int LockWaitMs = 1500;
constexpr int LockRetryMs = 100;

// Rewrites the file with the new entry at insertion (0..9); slot 9 drops off. The file is
// replaced in one step, so a crash or a full disk leaves the old table whole. `table` is the
// table as the window read it; the whole read-modify-write holds the folder's lock, and when
// another copy of the game has written the file meanwhile, the new score is ranked against
// the file as it is now, so both entries stay. Busy, at once, while another copy saves; that
// lock dies with its process. A score that no longer makes that table is not written and
// counts as done. Writes the target of the player's own link, replaces the
// player's own link that points nowhere, and never writes anything else that is not a regular
// file. The new file keeps the old one's owner, group, mode and access list (SafeFile).
WriteStatus writeBack(const QString &path, const ScoreTable &table, qint16 insertion,
                      const QString &typedName, qint32 newScore, const QString &makeBelow = {});
WriteStatus writeBack(const Place &place, const ScoreTable &table, qint16 insertion,
                      const QString &typedName, qint32 newScore);

// The bytes a typed name is stored as: GB18030 (GBK for every GBK character), with a comma
// turned full-width so the name reads back whole, and control characters left out so a pasted
// line break cannot split the entry. No value when the name cannot be encoded.
std::optional<QByteArray> encodeName(const QString &typedName);
QString decodeName(const QByteArray &rawName);

} // namespace ScoreFile

// "shijianbao.scores": where the table is kept and why, and every read or write that fails,
// for a parent's bug report. Silent unless QT_LOGGING_RULES turns it on.
Q_DECLARE_LOGGING_CATEGORY(lcScores)
