// The real sound player, through SDL's "disk" driver, which writes what is played to a file in
// real time, and at a PulseAudio server of the test's own with a silent output, whose monitor
// is recorded: what came out, and when, is read back.
#include "media/catalogue.h"
#include "sound/sdlsoundoutput.h"
#include "wavbuilder.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
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
    // Under a tight `ulimit -v` there is no room for the player thread's stack: silence, and
    // the game goes on. First: glibc keeps the stacks of ended threads for new ones.
    void noRoomForAThreadIsSilence()
    {
        rlimit old{};
        QFile statm("/proc/self/statm");
        QVERIFY(getrlimit(RLIMIT_AS, &old) == 0 && statm.open(QFile::ReadOnly));
        rlimit tight = old;
        tight.rlim_cur = statm.readAll().split(' ')[0].toULong() * sysconf(_SC_PAGESIZE) + 1000000;
        QVERIFY(setrlimit(RLIMIT_AS, &tight) == 0);
        SdlSoundOutput player;
        player.StartSound(makeToneWav(440, 100));
        QVERIFY(setrlimit(RLIMIT_AS, &old) == 0);
    }
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
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("pulseaudio").isEmpty())
            return; // the tests that need it skip
        qputenv("PULSE_RUNTIME_PATH", m_dir.path().toLocal8Bit());
        qputenv("HOME", m_dir.path().toLocal8Bit());
        // A roomy server buffer: SDL's 12 ms one underruns on a busy test machine, and the
        // gaps would lengthen what is heard; a sound cut short then loses more, not less.
        qputenv("PULSE_LATENCY_MSEC", "60");
        m_server.start("pulseaudio",
                       {"-n", "--daemonize=no", "--exit-idle-time=-1", "--load=module-null-sink",
                        "--load=module-native-protocol-unix"});
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(m_dir.filePath("native")); }, 10000));
    }
    // What reaches the server, from the first sample that is not silence to the last, against
    // the files' own (resampled by the player: none is at the device's rate); a step to silence
    // at the end is a sound cut short. An open device is a stream the desktop's mixer lists
    // (and keeps the server busy): it goes once the sound has played.
    void aSoundArrivesWholeAndEndsAtSilence_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<double>("audibleMs");
        QTest::newRow("letter F") << 214 << 372.1;
        QTest::newRow("jingle") << 102 << 1999.3;
        QTest::newRow("game over, at a quarter of the device's rate") << 105 << 1759.6;
    }
    void aSoundArrivesWholeAndEndsAtSilence()
    {
        QFETCH(int, id);
        QFETCH(double, audibleMs);
        if (m_server.state() != QProcess::Running)
            QSKIP("needs pulseaudio and pulseaudio-utils (scripts/install-deps.sh test)");
        qunsetenv("SDL_AUDIODRIVER"); // the game's own choice, as on a desktop
        QProcess parec;
        parec.start("parec", {"-d", "null.monitor", "--latency-msec=5", "--raw", "--format=s16le",
                              "--rate=44100", "--channels=1"});
        QByteArray raw;
        const auto recorded = [&](qsizetype bytes) {
            raw += parec.readAllStandardOutput();
            return raw.size() >= bytes;
        };
        QVERIFY(QTest::qWaitFor([&] { return recorded(Rate / 5); }, 10000));
        QByteArray wav;
        QVERIFY(SoundById(SoundId(id), wav));
        SdlSoundOutput player;
        player.StartSound(wav);
        const qsizetype after = raw.size() + qsizetype(audibleMs + 1000) * Rate / 500;
        QVERIFY(QTest::qWaitFor([&] { return recorded(after) && streams() == 0; }, 20000));
        const auto *s = reinterpret_cast<const qint16 *>(raw.constData());
        qsizetype first = 0, last = raw.size() / 2 - 1; // the faintest sound a file holds is 256
        while (first < last && std::abs(s[first]) <= 128)
            ++first;
        while (last > first && std::abs(s[last]) <= 128)
            --last;
        int endPeak = 0; // in the last millisecond before the silence
        for (qsizetype i = qMax(first, last - Rate / 1000); i < last; ++i)
            endPeak = qMax(endPeak, std::abs(int(s[i])));
        const double ms = double(last - first + 1) * 1000 / Rate;
        // Not a sample short; longer only by gaps where a busy machine let the server run dry.
        QVERIFY2(ms >= audibleMs - 2 && ms < audibleMs + 100 && endPeak < 1024,
                 qPrintable(QStringLiteral("%1 ms, ending at %2").arg(ms).arg(endPeak)));
    }
    // A server stopped (SIGSTOP, a hung desktop) holds SDL up for half a minute: closing the
    // game waits for it a second at most.
    void closingWaitsASecondAtMostOnAFrozenServer()
    {
        if (m_server.state() != QProcess::Running)
            QSKIP("needs pulseaudio and pulseaudio-utils (scripts/install-deps.sh test)");
        auto player = std::make_unique<SdlSoundOutput>();
        player->StartSound(makeToneWav(440, 2000));
        QVERIFY(QTest::qWaitFor([&] { return streams() == 1; }, 10000));
        ::kill(pid_t(m_server.processId()), SIGSTOP);
        QElapsedTimer closing;
        closing.start();
        player.reset();
        const qint64 ms = closing.elapsed();
        ::kill(pid_t(m_server.processId()), SIGCONT);
        QVERIFY2(ms < 1500, qPrintable(QString::number(ms)));
        QVERIFY(QTest::qWaitFor([&] { return streams() == 0; }, 60000));
    }
    void cleanupTestCase()
    {
        m_server.kill();
        m_server.waitForFinished();
    }

private:
    static int streams()
    {
        QProcess pactl;
        pactl.start("pactl", {"list", "sink-inputs"});
        return pactl.waitForFinished() ? int(pactl.readAll().count("application.name = \"识键宝\""))
                                       : -1;
    }
    QTemporaryDir m_dir;
    QProcess m_server;
};

QTEST_GUILESS_MAIN(TestSdlSound)
#include "test_sdlsound.moc"
