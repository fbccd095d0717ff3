// Runs the fuzz entry point over the seed corpus and deterministic mutations of each seed,
// so every build checks what the fuzzer found without needing clang.

#include "app/txini.h"
#include "data/txfile.h"

#include <QCoreApplication>
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
    for (int c = 0; c <= 3; ++c) {
        TXFile container;
        container.setPackHeader(c, QStringLiteral("t"), QStringLiteral("Korvel.XIX"));
        container.setPayload(
            TXIni::encodeRows({{QStringLiteral("XDBName"), QStringLiteral("Orvane")},
                               {QStringLiteral("DBType"), QStringLiteral("SQLite")}}));
        QByteArray bytes;
        container.SaveToBytes(bytes);
        seeds.append(bytes);
    }
    for (int i = 1; i < argc; ++i) {
        const QDir dir(QString::fromLocal8Bit(argv[i]));
        for (const QFileInfo& info : dir.entryInfoList(QDir::Files)) {
            QFile f(info.filePath());
            if (f.open(QIODevice::ReadOnly))
                seeds.append(f.readAll());
        }
    }
    QRandomGenerator rng(20261211);
    qint64 runs = 0;
    for (const QByteArray& seed : std::as_const(seeds)) {
        run(seed);
        for (qsizetype cut = 0; cut < seed.size(); ++cut, ++runs)
            run(seed.left(cut));
        for (int trial = 0; trial < 2000 && !seed.isEmpty(); ++trial, ++runs) {
            QByteArray bad = seed;
            const int flips = 1 + int(rng.bounded(4));
            for (int f = 0; f < flips; ++f)
                bad[rng.bounded(int(bad.size()))] = char(rng.bounded(256));
            run(bad);
        }
    }
    std::printf("replayed %lld inputs from %lld seeds\n", runs, qint64(seeds.size()));
    return 0;
}
