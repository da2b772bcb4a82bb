// The real sound player at a PulseAudio server of the test's own with a silent output, whose
// monitor is recorded: what came out is read back.
#include "media/catalogue.h"
#include "sound/sdlsoundoutput.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <memory>

namespace {
constexpr int Rate = 44100; // what the recording asks for, 16-bit mono
} // namespace

class TestSdlSound : public QObject
{
    Q_OBJECT
private slots:
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
    // What reaches the server, from where the file's first sample lies to the last that is not
    // silence, against the file's own (resampled by the player: none is at the device's rate);
    // a step to silence at the end is a sound cut short. An open device is a stream the desktop's
    // mixer lists (and keeps the server busy): it goes once the sound has played.
    void aSoundArrivesWholeAndEndsAtSilence_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<double>("audibleMs"); // to the file's last sample that is not silence
        QTest::newRow("tick, whose ADPCM is not compared: its end only") << 103 << 0.0;
        QTest::newRow("letter F") << 214 << 372.2;
        QTest::newRow("jingle") << 102 << 1999.5;
        QTest::newRow("game over, at a quarter of the device's rate") << 105 << 1759.9;
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
        // A new stream may lose up to 30 ms of its start at the monitor: where the file begins
        // is found by where its 20 ms from 30 ms on (8-bit, at 1/2 or 1/4 of the rate) lie.
        const QByteArray pcm = wav.mid(wav.indexOf("data") + 8);
        const int step = Rate / qFromLittleEndian<qint32>(wav.constData() + 24);
        qsizetype start = 0, best = 0;
        for (qsizetype o = qMax(first - Rate / 100, 0); audibleMs && o < first + Rate / 25; ++o) {
            qsizetype dot = 0;
            for (int k = 0; k < Rate / 50; ++k)
                dot += s[o + k] * (quint8(pcm[(Rate * 3 / 100 + k) / step]) - 128);
            if (dot > best)
                best = dot, start = o - Rate * 3 / 100;
        }
        const double ms = double(last - start) * 1000 / Rate;
        // Not a sample short; longer only by gaps where a busy machine let the server run dry.
        QVERIFY2((audibleMs ? ms >= audibleMs - 2 && ms < audibleMs + 300 : last > first) &&
                     endPeak < 1024,
                 qPrintable(QStringLiteral("%1 ms, ending at %2").arg(ms).arg(endPeak)));
    }
    // A server stopped (SIGSTOP, a hung desktop) holds SDL up for half a minute: closing the
    // game waits for it a second at most.
    void closingWaitsASecondAtMostOnAFrozenServer()
    {
        if (m_server.state() != QProcess::Running)
            QSKIP("needs pulseaudio and pulseaudio-utils (scripts/install-deps.sh test)");
        QByteArray jingle;
        QVERIFY(SoundById(SoundId(102), jingle));
        auto player = std::make_unique<SdlSoundOutput>();
        player->StartSound(jingle);
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
