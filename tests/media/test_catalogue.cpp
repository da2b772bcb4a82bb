// The catalogue as the game sees it: each id to the right embedded file, decoded. The files
// themselves are checked in depth by tools/check-assets.py (test media_assets_check).
#include "media/catalogue.h"

#include <QColor>
#include <QTest>
#include <QtEndian>

namespace {
const QColor LightBlue(63, 187, 239);
const QColor Navy(0, 0, 128);

quint32 le(const QByteArray &b, qsizetype at, int bytes)
{
    return bytes == 2 ? qFromLittleEndian<quint16>(b.constData() + at)
                      : qFromLittleEndian<quint32>(b.constData() + at);
}

// "tag channels rate bits seconds" of a RIFF WAVE image, as a player reads it; empty when the
// container is broken.
QString describeWav(const QByteArray &b)
{
    if (!b.startsWith("RIFF") || b.mid(8, 4) != "WAVE" || le(b, 4, 4) != quint32(b.size() - 8))
        return {};
    QHash<QByteArray, QByteArray> chunks;
    for (qsizetype at = 12, len = 0; at + 8 <= b.size(); at += 8 + len + (len & 1)) {
        len = le(b, at + 4, 4);
        if (at + 8 + len > b.size())
            return {};
        chunks.insert(b.mid(at, 4), b.mid(at + 8, len));
    }
    const QByteArray fmt = chunks.value("fmt "), fact = chunks.value("fact");
    if (fmt.size() < 16 || !chunks.contains("data"))
        return {};
    const int tag = le(fmt, 0, 2), rate = le(fmt, 4, 4), byteRate = le(fmt, 8, 4);
    const double seconds = tag == 1           ? double(chunks.value("data").size()) / byteRate
                           : fact.size() >= 4 ? double(le(fact, 0, 4)) / rate
                                              : -1;
    return QString::asprintf("%d %u %d %u %.3f", tag, le(fmt, 2, 2), rate, le(fmt, 14, 2), seconds);
}

// Keys are 40 x 28; rows 48 apart, each 20 further right than the one above.
bool onAKey(int x, int y)
{
    const int perRow[] = {10, 9, 7};
    for (int row = 0; row < 3; ++row)
        if (QRect(20 * row, 1 + 48 * row, 40 * perRow[row], 28).contains(x, y))
            return true;
    return false;
}
} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void pictures_data();
    void pictures();
    void sounds_data();
    void sounds();
    void unknownIdsChangeNothing();
    void lettersByKeyIndex_data();
    void lettersByKeyIndex();
    void keyboardPixels_data();
    void keyboardPixels();
    void keyboardKeysAndGroundEverywhere();
    void programIconHasTheTitleBarSize();
};

// `navy`: shown on the navy window, so its corners must merge with it.
void TestCatalogue::pictures_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("navy");
    for (int id = 101; id <= 126; ++id)
        QTest::addRow("card %d %c", id, Media::KeyboardLetters[id - 101])
            << id << QSize(90, 90) << false;
    QTest::newRow("background") << 200 << QSize(450, 450) << false;
    QTest::newRow("keyboard") << 201 << QSize(400, 132) << false;
    QTest::newRow("life") << 202 << QSize(16, 16) << true;
    for (int id = 301; id <= 303; ++id)
        QTest::addRow("frame %d", id) << id << QSize(182, 174) << false;
    QTest::newRow("start") << 901 << QSize(50, 35) << true;
    QTest::newRow("help") << 902 << QSize(50, 35) << true;
}

void TestCatalogue::pictures()
{
    QFETCH(int, id);
    QFETCH(bool, navy);
    QImage picture;
    QVERIFY(PictureById(id, picture));
    QTEST(picture.size(), "size");
    QVERIFY(Media::pictureIds().contains(id));
    const int w = picture.width() - 1, h = picture.height() - 1;
    for (QPoint corner : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)})
        QCOMPARE(picture.pixelColor(corner) == Navy, navy);
}

void TestCatalogue::sounds_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("format"); // tag, channels, rate, bits
    QTest::addColumn<double>("minSeconds");
    QTest::addColumn<double>("maxSeconds");
    for (int id = 201; id <= 226; ++id) // each letter ends inside its 700 ms step
        QTest::addRow("letter %d %c", id, Media::KeyboardLetters[id - 201])
            << id << "1 1 22050 8" << 0.30 << 0.69;
    QTest::newRow("round complete") << 102 << "1 1 22050 8" << 1.995 << 2.005;
    QTest::newRow("correct (ADPCM)") << 103 << "2 2 22050 4" << 0.045 << 0.065;
    QTest::newRow("wrong") << 104 << "1 1 22050 8" << 0.445 << 0.455;
    QTest::newRow("game over") << 105 << "1 1 11025 8" << 1.755 << 1.765;
    QTest::newRow("made the table") << 123 << "1 1 22050 8" << 0.5 << 2.0;
    QTest::newRow("missed the table") << 124 << "1 1 22050 8" << 0.3 << 1.5;
}

void TestCatalogue::sounds()
{
    QFETCH(int, id);
    QFETCH(QString, format);
    QFETCH(double, minSeconds);
    QFETCH(double, maxSeconds);
    QByteArray image;
    QVERIFY(SoundById(id, image));
    QVERIFY(Media::soundIds().contains(id));
    const QString found = describeWav(image);
    QVERIFY2(found.startsWith(format + ' '), qPrintable(found));
    const double seconds = found.section(' ', 4).toDouble();
    QVERIFY2(seconds >= minSeconds && seconds <= maxSeconds, qPrintable(found));
}

void TestCatalogue::unknownIdsChangeNothing()
{
    QImage picture(3, 3, QImage::Format_RGB888);
    picture.fill(Qt::red);
    const QImage before = picture;
    QByteArray buffer("kept");
    // Ids of the other kind too: pictures and sounds are looked up apart.
    for (int id : {0, -1, 100, 101, 127, 199, 200, 203, 227, 300, 301, 304, 900, 903, 65536}) {
        if (!Media::pictureIds().contains(id))
            QVERIFY(!PictureById(id, picture));
        if (!Media::soundIds().contains(id))
            QVERIFY(!SoundById(id, buffer));
    }
    QCOMPARE(picture, before);
    QCOMPARE(buffer, QByteArray("kept"));
}

void TestCatalogue::lettersByKeyIndex_data()
{
    QTest::addColumn<char>("letter");
    QTest::addColumn<int>("card");
    QTest::addColumn<int>("sound");
    QTest::newRow("Q") << 'Q' << 101 << 201;
    QTest::newRow("A") << 'A' << 111 << 211;
    QTest::newRow("M") << 'M' << 126 << 226;
}

void TestCatalogue::lettersByKeyIndex()
{
    QFETCH(char, letter);
    const std::string_view letters(Media::KeyboardLetters);
    QCOMPARE(letters.size(), 26u);
    QTEST(Media::cardOf(int(letters.find(letter))), "card");
    QTEST(Media::letterSoundOf(int(letters.find(letter))), "sound");
}

// Also checks onAKey(), which the sweep below relies on.
void TestCatalogue::keyboardPixels_data()
{
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<bool>("key");
    QTest::newRow("Q") << QPoint(20, 14) << true;
    QTest::newRow("left of A") << QPoint(10, 62) << false;
    QTest::newRow("A") << QPoint(20, 62) << true;
    QTest::newRow("Z") << QPoint(60, 110) << true;
    QTest::newRow("right of M") << QPoint(330, 110) << false;
    QTest::newRow("between rows 1 and 2") << QPoint(200, 40) << false;
    QTest::newRow("P, right edge") << QPoint(399, 28) << true;
    QTest::newRow("top line") << QPoint(0, 0) << false;
    QTest::newRow("bottom band") << QPoint(0, 131) << false;
}

void TestCatalogue::keyboardPixels()
{
    QFETCH(QPoint, pixel);
    QImage keyboard;
    QVERIFY(PictureById(Media::Keyboard, keyboard));
    QTEST(keyboard.pixelColor(pixel) != LightBlue, "key");
    QTEST(onAKey(pixel.x(), pixel.y()), "key");
}

void TestCatalogue::keyboardKeysAndGroundEverywhere()
{
    QImage keyboard;
    QVERIFY(PictureById(Media::Keyboard, keyboard));
    for (int y = 0; y < keyboard.height(); ++y)
        for (int x = 0; x < keyboard.width(); ++x)
            if ((keyboard.pixelColor(x, y) != LightBlue) != onAKey(x, y))
                QFAIL(qPrintable(QString("pixel (%1, %2) breaks the key layout").arg(x).arg(y)));
}

void TestCatalogue::programIconHasTheTitleBarSize()
{
    QVERIFY(programIcon().availableSizes().contains(QSize(32, 32)));
}

QTEST_MAIN(TestCatalogue)
#include "test_catalogue.moc"
