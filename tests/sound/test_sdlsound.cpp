// The real sound player, through SDL's "disk" driver, which writes what is played to a file in
// real time: what came out, and when, is read back from that file.
#include "media/catalogue.h"
#include "sound/sdlsoundoutput.h"
#include "wavbuilder.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

namespace {
constexpr int Rate = 44100, Per = Rate / 100; // the player asks for 16-bit stereo; disk grants it

// Starts each sound once `ms` of the one before has come out, by the output's own clock, and
// tells what came out, a character for every 10 ms: a whole window of the 440 Hz tone 'A' or of
// the 1000 Hz one 'B' (both made at about 78 % of full scale), other loud sound '#', faint
// sound '-', silence '.'.
QByteArray playAndRecord(const QList<QPair<QByteArray, int>> &sounds)
{
    const QTemporaryDir dir;
    const QString out = dir.filePath("out.raw");
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", out.toLocal8Bit());
    auto player = std::make_unique<SdlSoundOutput>();
    for (const auto &[wav, ms] : sounds) {
        const qint64 until = QFileInfo(out).size() + qint64(ms) * Rate * 4 / 1000;
        player->StartSound(wav);
        if (!QTest::qWaitFor([&] { return QFileInfo(out).size() >= until; }, 10000))
            return "output stalled";
    }
    player.reset();
    QFile f(out);
    const QByteArray raw = f.open(QFile::ReadOnly) ? f.readAll() : QByteArray();
    const auto *s = reinterpret_cast<const qint16 *>(raw.constData()); // left channel: s[2 * i]
    QByteArray timeline;
    for (qsizetype start = 0; start + Per <= raw.size() / 4; start += Per) {
        double sum = 0, hz = 0; // a zero crossing in 10 ms is 50 Hz
        for (qsizetype i = start; i < start + Per; ++i) {
            sum += double(s[2 * i]) * s[2 * i];
            hz += i > start && (s[2 * i - 2] < 0) != (s[2 * i] < 0) ? 50 : 0;
        }
        const double rms = std::sqrt(sum / Per);
        const char tone = std::abs(hz - 440) < 44 ? 'A' : std::abs(hz - 1000) < 100 ? 'B' : '#';
        timeline += rms > 13500 ? tone : "#-."[(rms <= 500) + (rms < 50)];
    }
    return timeline;
}
} // namespace

class TestSdlSound : public QObject
{
    Q_OBJECT
private slots:
    void aNewSoundCutsTheOldOneOff()
    {
        QByteArray click; // the catalogue's click is Microsoft ADPCM, decoded by SDL
        QVERIFY(SoundById(Ids::CorrectSound, click) && click.mid(20, 2) == QByteArray("\2\0", 2));
        const QByteArray timeline = playAndRecord(
            {{makeToneWav(440, 600), 250}, {makeToneWav(1000, 300), 700}, {click, 500}});
        // The first cut off well before its 600 ms; the second in full (300 ms, less the two
        // windows at its edges that hold only part of it), and nothing after it; then the click,
        // loud for about 50 ms.
        QVERIFY2(QRegularExpression(R"(^[^AB]*A{1,49}[^AB]{0,2}B{26,}[^AB]?\.*$)")
                         .match(timeline.left(95))
                         .hasMatch() &&
                     timeline.mid(95).count('#') >= 2 && timeline.mid(95).count('#') <= 10,
                 timeline.constData());
    }
    // An open device is a stream at the sound server, which the desktop's mixer lists as the
    // game playing (and which keeps the server busy): it goes once the sound has played, and
    // comes back with the next. A sound server of the test's own, with a silent output.
    void theStreamEndsOnceTheSoundHasPlayed()
    {
        if (QStandardPaths::findExecutable("pulseaudio").isEmpty())
            QSKIP("needs pulseaudio and pactl (scripts/install-deps.sh test)");
        const QTemporaryDir dir;
        qputenv("PULSE_RUNTIME_PATH", dir.path().toLocal8Bit());
        qputenv("HOME", dir.path().toLocal8Bit());
        qunsetenv("SDL_AUDIODRIVER"); // the game's own choice, as on a desktop
        QProcess server;
        server.start("pulseaudio",
                     {"-n", "--daemonize=no", "--exit-idle-time=-1", "--load=module-null-sink",
                      "--load=module-native-protocol-unix"});
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(dir.filePath("native")); }, 10000));
        const auto streams = [](int n) {
            QProcess pactl;
            pactl.start("pactl", {"list", "sink-inputs"});
            return pactl.waitForFinished() &&
                   pactl.readAll().count("application.name = \"识键宝\"") == n;
        };
        SdlSoundOutput player;
        for (int i = 0; i < 2; ++i) {
            player.StartSound(makeToneWav(440, 300));
            QVERIFY(QTest::qWaitFor([&] { return streams(1); }, 10000) &&
                    QTest::qWaitFor([&] { return streams(0); }, 10000));
        }
        server.kill();
        server.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestSdlSound)
#include "test_sdlsound.moc"
