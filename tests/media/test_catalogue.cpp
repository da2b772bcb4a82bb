// The catalogue as the game sees it: ids to embedded files. The files themselves are checked
// against assets/catalogue.txt by tools/check-assets.py (test media_assets_check).
#include "media/catalogue.h"

#include <QTest>

class TestCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void picturesLoadAtEveryScale()
    {
        for (int id : Media::pictureIds()) {
            QImage plain, sharp;
            QVERIFY(PictureById(id, plain) && plain.devicePixelRatio() == 1.0);
            for (qreal ratio : {1.25, 1.5, 2.0}) {
                QVERIFY(PictureById(id, sharp, ratio));
                QCOMPARE(sharp.devicePixelRatio(), 2.0);
                QCOMPARE(sharp.deviceIndependentSize(), QSizeF(plain.size()));
            }
        }
    }
    void soundsLoad()
    {
        for (int id : Media::soundIds()) {
            QByteArray image;
            QVERIFY(SoundById(id, image) && image.startsWith("RIFF"));
        }
    }
    void everyIdTheGameComputesIsListed()
    {
        using namespace Media;
        // Key index 0 is Q, 10 is A, 25 is M: cards and names go in keyboard order.
        QCOMPARE(QByteArray(KeyboardLetters).indexOf('A'), 10);
        QCOMPARE(cardOf(25), 126);
        QCOMPARE(letterSoundOf(10), 211);
        for (int key = 0; key < 26; ++key)
            QVERIFY(pictureIds().contains(cardOf(key)) && soundIds().contains(letterSoundOf(key)));
        for (int id : {Background, Keyboard, LifeIcon, AnimationFrame1, AnimationFrame2,
                       AnimationFrame3, StartButton, HelpButton})
            QVERIFY(pictureIds().contains(id));
        for (int id : {RoundCompleteSound, CorrectSound, WrongSound, GameOverSound,
                       MadeTheTableSound, MissedTheTableSound})
            QVERIFY(soundIds().contains(id));
    }
    void unknownIdsChangeNothing()
    {
        QImage picture(3, 3, QImage::Format_RGB888);
        QByteArray buffer("kept");
        // Ids of the other kind too: pictures and sounds are looked up apart.
        for (int id : {0, 100, 102, 127, 200, 203, 227, 300, 304, 900, 903, 65536})
            QVERIFY((Media::pictureIds().contains(id) || !PictureById(id, picture, 2.0)) &&
                    (Media::soundIds().contains(id) || !SoundById(id, buffer)));
        QVERIFY(picture.size() == QSize(3, 3) && buffer == "kept");
    }
    void programIconHasTheTitleBarSize()
    {
        QVERIFY(programIcon().availableSizes().contains(QSize(32, 32)));
    }
    void noImagePlugInIsLoaded()
    {
        // Each would be a library to load at start-up; the embedded pictures need none.
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly) && !maps.readAll().contains("/imageformats/"));
    }
};

QTEST_MAIN(TestCatalogue)
#include "test_catalogue.moc"
