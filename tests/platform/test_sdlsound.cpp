// The real sound player, through SDL's "disk" driver, which writes what is played to a file
// in real time: what comes out and when can be read back from that file.
#include "catalogue.h"
#include "sdlsoundoutput.h"
#include "wavbuilder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

// What the device was opened with: 16-bit stereo; the rate is read back from the output.
struct Window
{
    double rms;
    double freq; // from zero crossings
};

QList<Window> analyse(const QByteArray &raw, int rate, int windowMs)
{
    const auto *s = reinterpret_cast<const qint16 *>(raw.constData());
    const qsizetype frames = raw.size() / 4;
    const int per = rate * windowMs / 1000;
    QList<Window> windows;
    for (qsizetype start = 0; start + per <= frames; start += per) {
        double sum = 0;
        int crossings = 0;
        for (int i = 0; i < per; ++i) {
            const int v = s[2 * (start + i)];
            sum += double(v) * v;
            if (i > 0 && (s[2 * (start + i - 1)] < 0) != (v < 0))
                ++crossings;
        }
        windows.append({std::sqrt(sum / per), crossings / 2.0 * 1000.0 / windowMs});
    }
    return windows;
}

qint64 fileSize(const QString &path)
{
    return QFileInfo(path).size();
}

} // namespace

class TestSdlSound : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void aNewSoundCutsTheOldOneOff();
    void adpcmClickComesOut();
    void withoutADeviceStaysSilentAndQuick();

private:
    QTemporaryDir m_dir;
    QString m_out;
};

void TestSdlSound::init()
{
    m_out = m_dir.filePath(QStringLiteral("out-%1.raw").arg(QTest::currentTestFunction()));
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", m_out.toLocal8Bit());
}

void TestSdlSound::cleanup()
{
    qunsetenv("SDL_AUDIODRIVER");
    qunsetenv("SDL_DISKAUDIOFILE");
}

void TestSdlSound::aNewSoundCutsTheOldOneOff()
{
    constexpr int Rate = 44100; // what the player asks for; the disk driver grants it
    constexpr qint64 BytesPerMs = Rate * 4 / 1000;
    auto player = std::make_unique<SdlSoundOutput>();
    QVERIFY(player->open());

    const qint64 startA = fileSize(m_out);
    player->StartSound(makeToneWav(440, 600));
    // Let the first sound play a while (by the output's own clock), then start the second.
    QTRY_VERIFY_WITH_TIMEOUT(fileSize(m_out) >= startA + 250 * BytesPerMs, 10000);
    player->StartSound(makeToneWav(1000, 300));
    const qint64 startB = fileSize(m_out);
    QTRY_VERIFY_WITH_TIMEOUT(fileSize(m_out) >= startB + 700 * BytesPerMs, 10000);
    player.reset();

    QFile f(m_out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<Window> w = analyse(f.readAll(), Rate, 10);
    // A whole 10 ms window of the tone; the tones are made at about 78 % of full scale.
    auto isTone = [](const Window &x, double hz) {
        return x.rms > 13500 && std::abs(x.freq - hz) < hz * 0.1;
    };
    qsizetype firstA = -1, lastA = -1, firstB = -1, lastB = -1;
    for (qsizetype i = 0; i < w.size(); ++i) {
        if (isTone(w[i], 440)) {
            lastA = i;
            if (firstA < 0)
                firstA = i;
        }
        if (isTone(w[i], 1000)) {
            lastB = i;
            if (firstB < 0)
                firstB = i;
        }
    }
    QVERIFY2(firstA >= 0, "the first sound never came out");
    QVERIFY2(firstB > lastA, "the first sound went on after the second began");
    // The first was cut off well before its 600 ms; the second played in full (300 ms, less
    // the two windows at its edges that hold only part of it).
    QVERIFY2(lastA - firstA + 1 < 50, qPrintable(QString::number(lastA - firstA + 1)));
    QVERIFY2(lastB - firstB + 1 >= 26, qPrintable(QString::number(lastB - firstB + 1)));
    // Nothing but silence after the second sound.
    for (qsizetype i = lastB + 2; i < w.size(); ++i)
        QVERIFY2(w[i].rms < 50, qPrintable(QString("noise at %1 ms").arg(i * 10)));
}

void TestSdlSound::adpcmClickComesOut()
{
    // The correct-answer click is Microsoft ADPCM, stereo: SDL must decode it from memory.
    QByteArray click;
    QVERIFY(SoundById(Media::CorrectSound, click));
    QCOMPARE(click.mid(20, 2), QByteArray("\x02\x00", 2)); // format tag 2: MS ADPCM

    auto player = std::make_unique<SdlSoundOutput>();
    QVERIFY(player->open());
    const qint64 start = fileSize(m_out);
    player->StartSound(click);
    QTRY_VERIFY_WITH_TIMEOUT(fileSize(m_out) >= start + 44100 * 4 / 2, 10000);
    player.reset();

    QFile f(m_out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<Window> w = analyse(f.readAll(), 44100, 10);
    int loud = 0;
    for (const Window &x : w)
        loud += x.rms > 500;
    QVERIFY2(loud >= 2 && loud <= 10, qPrintable(QString::number(loud))); // about 50 ms
}

void TestSdlSound::withoutADeviceStaysSilentAndQuick()
{
    qputenv("SDL_AUDIODRIVER", "no-such-driver");
    QElapsedTimer t;
    t.start();
    SdlSoundOutput player;
    QVERIFY(!player.open());
    player.StartSound(makeToneWav(440, 300));
    player.StartSound(QByteArray("not a sound"));
    player.StartSound(QByteArray());
    QVERIFY(!player.isOpen());
    QVERIFY2(t.elapsed() < 2000, "a missing device must not hold the game up");
}

QTEST_GUILESS_MAIN(TestSdlSound)
#include "test_sdlsound.moc"
