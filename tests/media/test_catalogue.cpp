#include "catalogue.h"

#include <QColor>
#include <QFile>
#include <QTest>
#include <QtEndian>

namespace {

const QColor LightBlue(63, 187, 239);
const QColor Navy(0, 0, 128);

struct WavFormat
{
    int tag = 0, channels = 0, rate = 0, bits = 0, blockAlign = 0;
    double seconds = -1;
    bool riff = false;
};

// Reads the header chunks of a RIFF WAVE image, as a player would.
WavFormat parseWav(const QByteArray &b)
{
    WavFormat f;
    if (b.size() < 12 || b.left(4) != "RIFF" || b.mid(8, 4) != "WAVE")
        return f;
    f.riff = qFromLittleEndian<quint32>(b.constData() + 4) == quint32(b.size() - 8);
    qint64 factSamples = -1, dataBytes = -1;
    int byteRate = 0;
    for (qsizetype at = 12; at + 8 <= b.size();) {
        const QByteArray id = b.mid(at, 4);
        const quint32 len = qFromLittleEndian<quint32>(b.constData() + at + 4);
        const char *body = b.constData() + at + 8;
        if (id == "fmt ") {
            f.tag = qFromLittleEndian<quint16>(body);
            f.channels = qFromLittleEndian<quint16>(body + 2);
            f.rate = int(qFromLittleEndian<quint32>(body + 4));
            byteRate = int(qFromLittleEndian<quint32>(body + 8));
            f.blockAlign = qFromLittleEndian<quint16>(body + 12);
            f.bits = qFromLittleEndian<quint16>(body + 14);
        } else if (id == "fact") {
            factSamples = qFromLittleEndian<quint32>(body);
        } else if (id == "data") {
            dataBytes = len;
            f.riff = f.riff && quint64(at) + 8 + len <= quint64(b.size());
        }
        at += 8 + len + (len & 1);
    }
    if (f.tag == 1 && byteRate > 0 && dataBytes >= 0)
        f.seconds = double(dataBytes) / byteRate;
    else if (factSamples >= 0 && f.rate > 0)
        f.seconds = double(factSamples) / f.rate;
    return f;
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
    void unknownIdsChangeNothing_data();
    void unknownIdsChangeNothing();
    void lettersByKeyIndex_data();
    void lettersByKeyIndex();
    void keyboardPixels_data();
    void keyboardPixels();
    void keyboardKeysAndGroundEverywhere();
    void smallPicturesMergeWithTheNavyWindow_data();
    void smallPicturesMergeWithTheNavyWindow();
    void backgroundBoardIsPlainWhereThePicturesGo();
    void programIconHasTheTitleBarSize();
};

void TestCatalogue::pictures_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QSize>("size");
    for (int id = 101; id <= 126; ++id)
        QTest::addRow("card %d %c", id, Media::KeyboardLetters[id - 101]) << id << QSize(90, 90);
    QTest::newRow("background") << 200 << QSize(450, 450);
    QTest::newRow("keyboard") << 201 << QSize(400, 132);
    QTest::newRow("life") << 202 << QSize(16, 16);
    for (int id = 301; id <= 303; ++id)
        QTest::addRow("frame %d", id) << id << QSize(182, 174);
    QTest::newRow("start") << 901 << QSize(50, 35);
    QTest::newRow("help") << 902 << QSize(50, 35);
}

void TestCatalogue::pictures()
{
    QFETCH(int, id);
    QFETCH(QSize, size);
    QImage picture;
    QVERIFY(PictureById(id, picture));
    QCOMPARE(picture.size(), size);

    // Uncompressed true-colour bitmaps: 24 bits a pixel, no palette.
    QFile file(QStringLiteral(":/pictures/%1.bmp").arg(id));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray b = file.readAll();
    QCOMPARE(b.left(2), QByteArray("BM"));
    QCOMPARE(qFromLittleEndian<quint16>(b.constData() + 28), quint16(24));
    QCOMPARE(qFromLittleEndian<quint32>(b.constData() + 30), quint32(0)); // BI_RGB
    QCOMPARE(qFromLittleEndian<qint32>(b.constData() + 18), size.width());
    QCOMPARE(std::abs(qFromLittleEndian<qint32>(b.constData() + 22)), size.height());
    QVERIFY(Media::pictureIds().contains(id));
}

void TestCatalogue::sounds_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("tag");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("bits");
    QTest::addColumn<double>("minSeconds");
    QTest::addColumn<double>("maxSeconds");
    for (int id = 201; id <= 226; ++id) {
        // Each spoken letter ends inside its 700 ms step of the presentation.
        QTest::addRow("letter %d %c", id, Media::KeyboardLetters[id - 201])
            << id << 1 << 1 << 22050 << 8 << 0.30 << 0.69;
    }
    QTest::newRow("round complete") << 102 << 1 << 1 << 22050 << 8 << 1.995 << 2.005;
    QTest::newRow("correct (ADPCM)") << 103 << 2 << 2 << 22050 << 4 << 0.045 << 0.065;
    QTest::newRow("wrong") << 104 << 1 << 1 << 22050 << 8 << 0.445 << 0.455;
    QTest::newRow("game over") << 105 << 1 << 1 << 11025 << 8 << 1.755 << 1.765;
    QTest::newRow("made the table") << 123 << 1 << 1 << 22050 << 8 << 0.5 << 2.0;
    QTest::newRow("missed the table") << 124 << 1 << 1 << 22050 << 8 << 0.3 << 1.5;
}

void TestCatalogue::sounds()
{
    QFETCH(int, id);
    QByteArray image;
    QVERIFY(SoundById(id, image));
    const WavFormat f = parseWav(image);
    QVERIFY2(f.riff, "a whole RIFF WAVE image");
    QTEST(f.tag, "tag");
    QTEST(f.channels, "channels");
    QTEST(f.rate, "rate");
    QTEST(f.bits, "bits");
    if (f.tag == 2)
        QCOMPARE(f.blockAlign, 1024);
    QFETCH(double, minSeconds);
    QFETCH(double, maxSeconds);
    QVERIFY2(f.seconds >= minSeconds && f.seconds <= maxSeconds,
             qPrintable(QString::number(f.seconds)));
    QVERIFY(Media::soundIds().contains(id));
}

void TestCatalogue::unknownIdsChangeNothing_data()
{
    QTest::addColumn<int>("id");
    for (int id : {0, -1, 100, 127, 199, 203, 300, 304, 900, 903, 65536})
        QTest::addRow("%d", id) << id;
}

void TestCatalogue::unknownIdsChangeNothing()
{
    QFETCH(int, id);
    QImage picture(3, 3, QImage::Format_RGB888);
    picture.fill(Qt::red);
    const QImage before = picture;
    QByteArray buffer("kept");
    if (!Media::pictureIds().contains(id)) {
        QVERIFY(!PictureById(id, picture));
        QCOMPARE(picture, before);
    }
    if (!Media::soundIds().contains(id)) {
        QVERIFY(!SoundById(id, buffer));
        QCOMPARE(buffer, QByteArray("kept"));
    }
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
    const int keyIndex = int(std::string_view(Media::KeyboardLetters).find(letter));
    QTEST(Media::cardOf(keyIndex), "card");
    QTEST(Media::letterSoundOf(keyIndex), "sound");
    QCOMPARE(std::string_view(Media::KeyboardLetters).size(), 26u);
}

void TestCatalogue::keyboardPixels_data()
{
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<bool>("onAKey");
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
    QFETCH(bool, onAKey);
    QImage keyboard;
    QVERIFY(PictureById(Media::Keyboard, keyboard));
    QCOMPARE(keyboard.pixelColor(pixel) != LightBlue, onAKey);
}

void TestCatalogue::keyboardKeysAndGroundEverywhere()
{
    QImage keyboard;
    QVERIFY(PictureById(Media::Keyboard, keyboard));
    // Every key is 40 x 28; the rows are 48 apart, each 20 further right than the one above.
    QList<QRect> keys;
    const int perRow[] = {10, 9, 7};
    for (int row = 0; row < 3; ++row)
        for (int n = 0; n < perRow[row]; ++n)
            keys << QRect(20 * row + 40 * n, 1 + 48 * row, 40, 28);
    int misses = 0;
    for (int y = 0; y < keyboard.height(); ++y) {
        for (int x = 0; x < keyboard.width(); ++x) {
            const bool inKey = std::any_of(keys.begin(), keys.end(),
                                           [&](const QRect &k) { return k.contains(x, y); });
            if ((keyboard.pixelColor(x, y) != LightBlue) != inKey && ++misses <= 5)
                qWarning("pixel (%d, %d) %s", x, y, inKey ? "of a key is ground" : "is not ground");
        }
    }
    QCOMPARE(misses, 0);
}

void TestCatalogue::smallPicturesMergeWithTheNavyWindow_data()
{
    QTest::addColumn<int>("id");
    QTest::newRow("life") << 202;
    QTest::newRow("start") << 901;
    QTest::newRow("help") << 902;
}

void TestCatalogue::smallPicturesMergeWithTheNavyWindow()
{
    QFETCH(int, id);
    QImage picture;
    QVERIFY(PictureById(id, picture));
    const int w = picture.width() - 1, h = picture.height() - 1;
    for (QPoint corner : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)})
        QCOMPARE(picture.pixelColor(corner), Navy);
}

void TestCatalogue::backgroundBoardIsPlainWhereThePicturesGo()
{
    QImage background;
    QVERIFY(PictureById(Media::Background, background));
    // The keyboard, the cards and the animation stand on this board: no seams around them.
    for (QPoint p : {QPoint(25, 235), QPoint(424, 366), QPoint(50, 225), QPoint(409, 410),
                     QPoint(130, 230), QPoint(311, 403), QPoint(226, 300)})
        QCOMPARE(background.pixelColor(p), LightBlue);
    QVERIFY(background.pixelColor(225, 100) != LightBlue); // the green field above
}

void TestCatalogue::programIconHasTheTitleBarSize()
{
    QVERIFY(programIcon().availableSizes().contains(QSize(32, 32)));
}

QTEST_MAIN(TestCatalogue)
#include "test_catalogue.moc"
