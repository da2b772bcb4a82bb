// Fuzz target for the score file: the input is the file's bytes. Each input is read the way the
// leaderboard window reads it, ranked against a spread of new scores, written back and read
// again, and every step is checked against a plain model of the line format kept here, so a
// wrong table aborts just like a crash does.

#include "scores/scorefile.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace {

[[noreturn]] void fail(const char *what, const QByteArray &detail = {})
{
    std::fprintf(stderr, "score file invariant broken: %s\n", what);
    if (!detail.isEmpty())
        std::fprintf(stderr, "  %s\n", detail.toPercentEncoding(" ,").constData());
    std::abort();
}

void check(bool ok, const char *what, const QByteArray &detail = {})
{
    if (!ok)
        fail(what, detail);
}

// What the slots hold before the file is read: distinct values, so a line that must leave its
// slot alone is seen to do so.
ScoreTable earlierTable()
{
    ScoreTable table;
    for (int k = 0; k < ScoreSlots; ++k) {
        table[k].rawName = "slot" + QByteArray::number(k);
        table[k].name = QString::fromLatin1(table[k].rawName);
        table[k].score = 1000 - 150 * k;
    }
    return table;
}

// The model: split on LF, drop the CRs before it, split the first ten lines at their first
// comma, and take a score only when it is all decimal digits after an optional sign.
bool modelScore(std::string_view text, qint32 &score)
{
    if (text.size() >= 2 && text[0] == '+' && text[1] >= '0' && text[1] <= '9')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    qint32 value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (error != std::errc() || end != text.data() + text.size())
        return false;
    score = value;
    return true;
}

ScoreTable modelRead(const QByteArray &bytes, ScoreTable table)
{
    qsizetype start = 0;
    for (int k = 0; k < ScoreSlots && start < bytes.size(); ++k) {
        qsizetype end = bytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        if (end < 0)
            end = bytes.size();
        QByteArray line = bytes.mid(start, end - start);
        start = next;
        while (line.endsWith('\r'))
            line.chop(1);
        const qsizetype comma = line.indexOf(',');
        if (comma >= 0)
            table[k].rawName = line.left(comma);
        const QByteArray scoreText = comma >= 0 ? line.mid(comma + 1) : line;
        modelScore(std::string_view(scoreText.constData(), size_t(scoreText.size())),
                   table[k].score);
    }
    return table;
}

QByteArray modelLine(const QByteArray &rawName, qint32 score)
{
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, score);
    return rawName + ',' + QByteArray(digits, result.ptr - digits) + "\r\n";
}

void checkSameEntries(const ScoreTable &got, const ScoreTable &want, const char *what)
{
    for (int k = 0; k < ScoreSlots; ++k) {
        check(got[k].rawName == want[k].rawName, what, got[k].rawName + " / " + want[k].rawName);
        check(got[k].score == want[k].score, what, QByteArray::number(k));
    }
}

// The lowest slot whose score is strictly below, or none: everything above it is at least as
// good, which is what puts a tie below the entries it ties with.
void checkRank(const ScoreTable &table, qint32 newScore, qint16 insertion)
{
    check(insertion >= -1 && insertion < ScoreSlots, "insertion out of range");
    const int stop = insertion < 0 ? ScoreSlots : insertion;
    for (int k = 0; k < stop; ++k)
        check(table[k].score >= newScore, "a better slot below the insertion");
    if (insertion >= 0)
        check(table[insertion].score < newScore, "the insertion slot is not beaten");
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail("cannot read back the score file");
    return file.readAll();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail("cannot write the input file");
}

// Names as a child might type them; the last two come from the input itself.
QString typedName(int pick, const ScoreTable &read, const uint8_t *data, size_t size)
{
    switch (pick % 5) {
    case 0:
        return QStringLiteral("小明");
    case 1:
        return QStringLiteral("a,b\r\nc\u2028d\te"); // comma and breaks: stored as one entry
    case 2:
        return QString();
    case 3:
        return read[0].name; // whatever the decoder made of the first name
    default: {
        // Raw UTF-16 from the input: lone surrogates and all.
        const size_t units = std::min<size_t>(size / 2, 32);
        if (units == 0)
            return QString();
        std::vector<char16_t> text(units);
        std::memcpy(text.data(), data, units * 2);
        return QString::fromUtf16(text.data(), qsizetype(units));
    }
    }
}

void writeBackAndReadAgain(const QString &path, const QByteArray &before, const ScoreTable &read,
                           qint32 newScore, const QString &name)
{
    const qint16 insertion = ScoreFile::rankScore(read, newScore);
    if (insertion < 0)
        return;
    const std::optional<QByteArray> encoded = ScoreFile::encodeName(name);
    const ScoreFile::WriteStatus status =
        ScoreFile::writeBack(path, read, insertion, name, newScore);
    if (!encoded) {
        check(status == ScoreFile::WriteStatus::Failed, "a name that cannot be stored was written");
        check(readAll(path) == before, "a failed write-back changed the file");
        return;
    }
    check(status == ScoreFile::WriteStatus::Written, "write-back failed");
    check(!encoded->contains(',') && !encoded->contains('\n') && !encoded->contains('\r'),
          "a stored name can split its line", *encoded);

    ScoreTable want;
    QByteArray wantBytes;
    for (int k = 0, from = 0; k < ScoreSlots; ++k) {
        want[k] = k == insertion ? ScoreEntry{*encoded, {}, newScore} : read[from++];
        wantBytes += modelLine(want[k].rawName, want[k].score);
    }
    const QByteArray after = readAll(path);
    check(after == wantBytes, "the written table differs", after);
    check(after.count('\n') == ScoreSlots && after.count("\r\n") == ScoreSlots,
          "not ten CR LF lines", after);

    ScoreTable again;
    check(ScoreFile::readTable(path, again) == ScoreFile::ReadStatus::Read, "cannot read back");
    checkSameEntries(again, want, "an entry changed on the way through the file");
    // The same score once more goes just below the entry it has become.
    const qint16 next = ScoreFile::rankScore(again, newScore);
    check(next == (insertion + 1 < ScoreSlots ? insertion + 1 : -1), "a tie did not go below");

    // Leave the input as it was for the next write-back.
    writeAll(path, before);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        fail("no temporary folder");
    const QString path = ScoreFile::pathFor(dir.path() + '/');

    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    writeAll(path, bytes);

    ScoreTable read = earlierTable();
    check(ScoreFile::readTable(path, read) == ScoreFile::ReadStatus::Read, "cannot read");
    checkSameEntries(read, modelRead(bytes, earlierTable()), "the read table differs");
    for (const ScoreEntry &entry : read)
        check(entry.name == ScoreFile::decodeName(entry.rawName), "name and bytes disagree");

    std::vector<qint32> scores{std::numeric_limits<qint32>::min(), -1, 0, 1,
                               std::numeric_limits<qint32>::max()};
    for (const ScoreEntry &entry : read) {
        scores.push_back(entry.score);
        if (entry.score < std::numeric_limits<qint32>::max())
            scores.push_back(entry.score + 1);
    }
    for (qint32 score : scores)
        checkRank(read, score, ScoreFile::rankScore(read, score));

    // Two write-backs: a score taken from the input's first bytes, and a tie with one slot.
    qint32 fromInput = 0;
    if (size > 0)
        std::memcpy(&fromInput, data, std::min<size_t>(size, sizeof fromInput));
    const int pick = size > 0 ? data[size - 1] : 0;
    writeBackAndReadAgain(path, bytes, read, fromInput, typedName(pick, read, data, size));
    writeBackAndReadAgain(path, bytes, read, read[size % ScoreSlots].score,
                          typedName(pick + 3, read, data, size));
    return 0;
}
