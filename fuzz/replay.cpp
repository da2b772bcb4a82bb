// Runs the fuzz target once on each file named on the command line, or on each file in a named
// folder, so the seeds and every input that once broke the score file are checked by the
// ordinary build (and by the sanitizer build) without clang's fuzzing engine.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

bool replay(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return false;
    }
    const QByteArray bytes = file.readAll();
    std::printf("%s\n", qPrintable(path));
    std::fflush(stdout); // so the input that aborts is the last one named
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()),
                           size_t(bytes.size()));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList paths;
    for (int i = 1; i < argc; ++i) {
        const QFileInfo info(QString::fromLocal8Bit(argv[i]));
        if (!info.isDir()) {
            paths << info.filePath();
            continue;
        }
        for (const QFileInfo &file :
             QDir(info.filePath()).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name))
            paths << file.filePath();
    }
    bool ok = !paths.isEmpty();
    for (const QString &path : paths)
        ok = replay(path) && ok;
    std::printf("%lld inputs replayed\n", static_cast<long long>(paths.size()));
    return ok ? 0 : 1;
}
