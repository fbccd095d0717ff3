// Runs the spreadsheet fuzz entry point over the seed folder, every truncation of each seed and
// seeded byte changes, so every build checks what the fuzzer found without needing clang.

#include <QDir>
#include <QRandomGenerator>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
void run(const QByteArray& bytes)
{
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                           size_t(bytes.size()));
}
} // namespace

int main(int argc, char** argv)
{
    QList<QByteArray> seeds;
    for (int i = 1; i < argc; ++i) {
        const QDir dir(QString::fromLocal8Bit(argv[i]));
        for (const QFileInfo& info : dir.entryInfoList(QDir::Files)) {
            QFile f(info.filePath());
            if (f.open(QIODevice::ReadOnly))
                seeds.append(f.readAll());
        }
    }
    // A wrong folder must not pass as a clean run.
    if (seeds.isEmpty()) {
        std::fprintf(stderr, "no seeds found\n");
        return 1;
    }
    QRandomGenerator rng(20241211);
    qint64 runs = 0;
    for (const QByteArray& seed : std::as_const(seeds)) {
        run(seed);
        // The first byte picks the format; cutting it would only test another reader.
        for (qsizetype cut = 1; cut < seed.size(); ++cut, ++runs)
            run(seed.left(cut));
        for (int trial = 0; trial < 1000 && seed.size() > 1; ++trial, ++runs) {
            QByteArray bad = seed;
            const int flips = 1 + int(rng.bounded(4));
            for (int f = 0; f < flips; ++f)
                bad[1 + rng.bounded(int(bad.size() - 1))] = char(rng.bounded(256));
            run(bad);
        }
    }
    std::printf("replayed %lld inputs from %lld seeds\n", runs, qint64(seeds.size()));
    return 0;
}
