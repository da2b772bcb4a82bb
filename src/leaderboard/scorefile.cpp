#include "leaderboard/scorefile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <limits>

namespace ScoreFile {

namespace {

// GB18030 reads and writes every GBK character as the same bytes, and covers the rest of
// Unicode too, so any name a child can type is stored without loss.
constexpr const char *NameEncoding = "GB18030";

// An optional sign and decimal digits, nothing else, within the 32-bit range. Blanks and
// trailing letters make the text invalid rather than being skipped: a score read back must be
// the score that was written.
bool parseScore(QByteArrayView text, qint32 &score)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return false;
    const qint64 limit = negative ? -qint64(std::numeric_limits<qint32>::min())
                                  : qint64(std::numeric_limits<qint32>::max());
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
        if (value > limit)
            return false;
    }
    score = qint32(negative ? -value : value);
    return true;
}

QByteArray lineOf(const QByteArray &rawName, qint32 score)
{
    return rawName + ',' + QByteArray::number(score) + "\r\n";
}

WriteStatus replaceFile(const QString &path, const QByteArray &content)
{
    // No direct-write fallback: if the new table cannot be put in place whole, the old one
    // stays. Unbuffered, because a disk that fills up part-way through a buffered flush
    // reports the short write to nobody and commit() would then install a cut-off table.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return WriteStatus::Failed;
    if (file.write(content) != content.size() || file.size() != content.size())
        return WriteStatus::Failed; // the unfinished copy is thrown away with `file`
    return file.commit() ? WriteStatus::Written : WriteStatus::Failed;
}

bool isLineBreakOrControl(char32_t c)
{
    return QChar::category(c) == QChar::Other_Control || c == 0x2028 || c == 0x2029;
}

} // namespace

QString pathFor(const QString &sPath)
{
    return sPath + QStringLiteral("tavik") + QStringLiteral(".tmp");
}

ReadStatus readTable(const QString &path, ScoreTable &table)
{
    if (!QFileInfo::exists(path))
        return ReadStatus::Missing;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ReadStatus::Unreadable;

    ScoreTable read = table;
    // Lines past the tenth never reach the table, so they are not read at all.
    for (int k = 0; k < ScoreSlots && !file.atEnd(); ++k) {
        QByteArray line = file.readLine();
        if (file.error() != QFileDevice::NoError)
            return ReadStatus::Unreadable;
        if (line.endsWith('\n'))
            line.chop(1);
        while (line.endsWith('\r'))
            line.chop(1);

        ScoreEntry &entry = read[k];
        const qsizetype comma = line.indexOf(',');
        QByteArrayView scoreText(line);
        if (comma >= 0) {
            // In GBK and GB18030 no byte of a multi-byte character is a comma, so splitting the
            // bytes splits the text.
            entry.rawName = line.left(comma);
            entry.name = decodeName(entry.rawName);
            scoreText = scoreText.sliced(comma + 1);
        }
        parseScore(scoreText, entry.score);
    }
    if (file.error() != QFileDevice::NoError)
        return ReadStatus::Unreadable;
    table = read;
    return ReadStatus::Read;
}

void setDefaultTable(ScoreTable &table)
{
    for (ScoreEntry &entry : table)
        entry = {QByteArrayLiteral("0"), QStringLiteral("0"), 0};
}

WriteStatus createDefaultFile(const QString &path)
{
    QByteArray content;
    for (int i = 0; i < ScoreSlots; ++i)
        content += lineOf(QByteArrayLiteral("0"), 0);
    return replaceFile(path, content);
}

qint16 rankScore(const ScoreTable &table, qint32 newScore)
{
    qint16 insertion = -1;
    for (qint16 i = ScoreSlots - 1; i >= 0; --i) {
        if (newScore > table[i].score)
            insertion = i;
    }
    return insertion;
}

Outcome open(const QString &path, qint32 newScore, ScoreTable &table, qint16 &insertion)
{
    switch (readTable(path, table)) {
    case ReadStatus::Read:
        insertion = rankScore(table, newScore);
        return insertion >= 0 ? Outcome::MadeTable : Outcome::MissedTable;
    case ReadStatus::Missing:
        // A new table: the first score takes first place whatever it is.
        setDefaultTable(table);
        insertion = 0;
        return createDefaultFile(path) == WriteStatus::Written ? Outcome::Created
                                                               : Outcome::CreateFailed;
    case ReadStatus::Unreadable:
        // Someone's table may still be in there; it is not ours to replace.
        setDefaultTable(table);
        insertion = 0;
        return Outcome::Unreadable;
    }
    return Outcome::Unreadable;
}

WriteStatus writeBack(const QString &path, const ScoreTable &table, qint16 insertion,
                      const QString &typedName, qint32 newScore)
{
    if (insertion < 0 || insertion >= ScoreSlots)
        return WriteStatus::Failed;
    const std::optional<QByteArray> name = encodeName(typedName);
    if (!name)
        return WriteStatus::Failed;

    QByteArray content;
    for (int i = 0; i < insertion; ++i)
        content += lineOf(table[i].rawName, table[i].score);
    content += lineOf(*name, newScore);
    for (int i = insertion; i < ScoreSlots - 1; ++i)
        content += lineOf(table[i].rawName, table[i].score);
    return replaceFile(path, content);
}

std::optional<QByteArray> encodeName(const QString &typedName)
{
    QString clean;
    clean.reserve(typedName.size());
    for (char32_t c : typedName.toUcs4()) {
        if (c == U',')
            clean += QChar(0xFF0C); // "，"
        else if (!isLineBreakOrControl(c))
            clean += QString::fromUcs4(&c, 1);
    }
    QStringEncoder encoder(NameEncoding);
    if (!encoder.isValid())
        return std::nullopt;
    QByteArray bytes = encoder.encode(clean);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

QString decodeName(const QByteArray &rawName)
{
    QStringDecoder decoder(NameEncoding);
    if (!decoder.isValid())
        return QString::fromLatin1(rawName);
    return decoder.decode(rawName);
}

} // namespace ScoreFile
