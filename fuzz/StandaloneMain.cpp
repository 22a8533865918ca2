// Runs the fuzz target's input function over files and folders of inputs, without libFuzzer:
// the corpus check of a normal build. Missing paths are skipped; no input at all fails.

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

bool runFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return false;
    }
    const QByteArray bytes = f.readAll();
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    int ran = 0;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        const QFileInfo info(arg);
        if (!info.exists()) {
            std::printf("skipped (absent): %s\n", qPrintable(arg));
            continue;
        }
        QStringList files;
        if (info.isDir()) {
            for (const QFileInfo &f : QDir(arg).entryInfoList(QDir::Files, QDir::Name))
                files << f.filePath();
        } else {
            files << arg;
        }
        for (const QString &file : files) {
            if (!runFile(file))
                return 1;
            ++ran;
        }
    }
    std::printf("ran %d inputs\n", ran);
    return ran > 0 ? 0 : 1;
}
