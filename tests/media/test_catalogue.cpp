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
        for (PictureId id : Media::pictureIds()) {
            QImage plain, sharp;
            QVERIFY(PictureById(id, plain) && plain.devicePixelRatio() == 1.0);
            for (qreal ratio : {1.25, 1.5, 2.0}) {
                QVERIFY(PictureById(id, sharp, ratio) && sharp.devicePixelRatio() == 2.0);
                QCOMPARE(sharp.deviceIndependentSize(), QSizeF(plain.size()));
            }
        }
    }
    void everyIdTheGameComputesIsListed()
    {
        // Key index 0 is Q, 10 is A, 25 is M: cards and names go in keyboard order.
        QVERIFY(Ids::cardOf(25) == PictureId(126) && Ids::letterSoundOf(10) == SoundId(211));
        for (int key = 0; key < 26; ++key)
            QVERIFY(Media::pictureIds().contains(Ids::cardOf(key)) &&
                    Media::soundIds().contains(Ids::letterSoundOf(key)));
        for (PictureId id :
             {Media::Background, Media::Keyboard, Media::LifeIcon, Ids::AnimationFrame1,
              Ids::AnimationFrame2, Ids::AnimationFrame3, Media::StartButton, Media::HelpButton})
            QVERIFY(Media::pictureIds().contains(id));
        for (SoundId id :
             {Ids::RoundCompleteSound, Ids::CorrectSound, Ids::WrongSound, Ids::GameOverSound,
              Media::MadeTheTableSound, Media::MissedTheTableSound})
            QVERIFY(Media::soundIds().contains(id));
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
