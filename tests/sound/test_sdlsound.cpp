// The real sound player, through SDL's "disk" driver, which writes what is played to a file in
// real time: what came out, and when, is read back from that file. The "dummy" driver shows
// whether the device is still open.
#include "media/catalogue.h"
#include "sound/sdlsoundoutput.h"
#include "wavbuilder.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {
constexpr int Rate = 44100; // what the player asks for, 16-bit stereo; the disk driver grants it

// Starts each sound once `ms` of the one before has come out, by the output's own clock, and
// tells what came out, a character for every 10 ms: a whole window of the 440 Hz tone 'A' or of
// the 1000 Hz one 'B' (both made at about 78 % of full scale), other loud sound '#', faint
// sound '-', silence '.'.
QByteArray playAndRecord(const QList<QPair<QByteArray, int>> &sounds)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out.raw");
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", out.toLocal8Bit());
    {
        SdlSoundOutput player;
        for (const auto &[wav, ms] : sounds) {
            const qint64 until = QFileInfo(out).size() + qint64(ms) * Rate * 4 / 1000;
            player.StartSound(wav);
            if (!QTest::qWaitFor([&] { return QFileInfo(out).size() >= until; }, 10000))
                return "output stalled";
        }
    }
    QFile f(out);
    f.open(QIODevice::ReadOnly);
    const QByteArray raw = f.readAll();
    const auto *s = reinterpret_cast<const qint16 *>(raw.constData()); // left channel: s[2 * i]
    const int per = Rate / 100;
    QByteArray timeline;
    for (qsizetype start = 0; start + per <= raw.size() / 4; start += per) {
        double sum = 0;
        int crossings = 0;
        for (qsizetype i = start; i < start + per; ++i) {
            sum += double(s[2 * i]) * s[2 * i];
            crossings += i > start && (s[2 * i - 2] < 0) != (s[2 * i] < 0);
        }
        const double rms = std::sqrt(sum / per), hz = crossings * 50.0;
        timeline += rms > 13500 && std::abs(hz - 440) < 44     ? 'A'
                    : rms > 13500 && std::abs(hz - 1000) < 100 ? 'B'
                    : rms > 500                                ? '#'
                    : rms >= 50                                ? '-'
                                                               : '.';
    }
    return timeline;
}

// SDL feeds an open device from a thread of its own, named after the device.
int sdlAudioThreads()
{
    int n = 0;
    for (const QString &task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs)) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        n += comm.open(QIODevice::ReadOnly) && comm.readAll().startsWith("SDLAudioP");
    }
    return n;
}
} // namespace

class TestSdlSound : public QObject
{
    Q_OBJECT
private slots:
    void aNewSoundCutsTheOldOneOff();
    void adpcmClickComesOut();
    void theDeviceClosesOnceTheSoundHasPlayed();
};

void TestSdlSound::aNewSoundCutsTheOldOneOff()
{
    const QByteArray timeline =
        playAndRecord({{makeToneWav(440, 600), 250}, {makeToneWav(1000, 300), 700}});
    // The first cut off well before its 600 ms; the second in full (300 ms, less the two windows
    // at its edges that hold only part of it), and nothing after it.
    QVERIFY2(QRegularExpression(R"(^[^AB]*A{1,49}[^AB]{0,2}B{26,}[^AB]?\.*$)")
                 .match(timeline)
                 .hasMatch(),
             timeline.constData());
}

void TestSdlSound::adpcmClickComesOut()
{
    QByteArray click;
    QVERIFY(SoundById(Media::CorrectSound, click));
    QCOMPARE(click.mid(20, 2), QByteArray("\x02\x00", 2)); // Microsoft ADPCM, decoded by SDL
    const QByteArray timeline = playAndRecord({{click, 500}});
    QVERIFY2(timeline.count('#') >= 2 && timeline.count('#') <= 10, timeline.constData()); // ~50 ms
}

void TestSdlSound::theDeviceClosesOnceTheSoundHasPlayed()
{
    qputenv("SDL_AUDIODRIVER", "dummy");
    SdlSoundOutput player;
    for (int i = 0; i < 2; ++i) { // and opens again for the next sound
        player.StartSound(makeToneWav(440, 100));
        QVERIFY(QTest::qWaitFor([] { return sdlAudioThreads() == 1; }, 10000));
        QVERIFY(QTest::qWaitFor([] { return sdlAudioThreads() == 0; }, 10000));
    }
}

QTEST_GUILESS_MAIN(TestSdlSound)
#include "test_sdlsound.moc"
