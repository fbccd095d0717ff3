#include "app/txini.h"
#include "data/txfile.h"
#include "platform/xerrors.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {
QByteArray int32Bytes(qint32 v)
{
    char raw[4];
    qToLittleEndian(v, raw);
    return QByteArray(raw, 4);
}

QByteArray doubleBytes(double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, 8);
    char raw[8];
    qToLittleEndian(bits, raw);
    return QByteArray(raw, 8);
}

QByteArray text(const QByteArray& s)
{
    return int32Bytes(qint32(s.size())) + s;
}

QByteArray randomBytes(qsizetype n, quint32 seed)
{
    QRandomGenerator rng(seed);
    QByteArray out(n, Qt::Uninitialized);
    for (char& c : out)
        c = char(rng.bounded(256));
    return out;
}

QByteArray configContainer(int compression)
{
    TXFile container;
    container.setPackHeader(compression, QString(), QString());
    container.setPayload(
        TXIni::encodeRows({{QStringLiteral("XDBName"), QStringLiteral("Orvane")},
                           {QStringLiteral("DanWeiDaiMa"), QStringLiteral("10001")},
                           {QStringLiteral("DanWeiMingCheng"), QStringLiteral(" 示范学院 ")},
                           {QStringLiteral("DBType"), QStringLiteral("SQLite")},
                           {QStringLiteral("SuperOperPassword"), QStringLiteral("s3cret")}}));
    QByteArray bytes;
    container.SaveToBytes(bytes);
    return bytes;
}

QList<QVariantList> rowsOf(const QByteArray& containerBytes, const QString& path)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(containerBytes);
    f.close();
    TXIni ini;
    const int n = ini.setFileName(path);
    return n < 0 ? QList<QVariantList>() : ini.MD().rows;
}
} // namespace

class TestTXFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTripAtEveryCompression_data()
    {
        QTest::addColumn<int>("compression");
        QTest::addColumn<QByteArray>("payload");
        for (int c = 0; c <= 3; ++c) {
            QTest::addRow("c%d-empty", c) << c << QByteArray();
            QTest::addRow("c%d-one", c) << c << QByteArray("x");
            QTest::addRow("c%d-random", c) << c << randomBytes(70000, 7u + c);
            QTest::addRow("c%d-repetitive", c) << c << QByteArray(100000, 'a');
        }
    }
    void roundTripAtEveryCompression()
    {
        QFETCH(int, compression);
        QFETCH(QByteArray, payload);
        QTemporaryDir dir;
        TXFile out;
        out.setPackHeader(compression, QStringLiteral("标题"), QStringLiteral("学生.XA1"));
        out.setPayload(payload);
        const QString path = dir.filePath(QStringLiteral("c.bin"));
        QCOMPARE(out.SaveToFile(path), payload.size());

        TXFile in;
        QCOMPARE(in.LoadFromFile(path), payload.size());
        QCOMPARE(in.payload(), payload);
        QCOMPARE(in.header().compression, compression);
        QCOMPARE(in.header().version, 1.0);
        QCOMPARE(in.header().flags, 0);
        QCOMPARE(in.header().sourceName, out.header().sourceName);
        QCOMPARE(in.header().title, out.header().title);

        QFile raw(path);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray bytes = raw.readAll();
        if (compression == 0)
            QVERIFY(bytes.endsWith(payload));
        else if (payload.size() == 100000)
            QVERIFY(bytes.size() < 2000); // really deflated
    }

    void headerRules_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("title");
        QTest::addColumn<double>("version");
        QTest::addColumn<int>("compression");
        QTest::addColumn<QByteArray>("sourceName");
        QTest::addColumn<QByteArray>("payload");

        const QByteArray tail = doubleBytes(1.0) + int32Bytes(0) + int32Bytes(0) + text("");
        QTest::newRow("empty file")
            << QByteArray() << QByteArray() << 0.0 << 0 << QByteArray() << QByteArray();
        QTest::newRow("three bytes are payload")
            << QByteArray("abc") << QByteArray() << 0.0 << 0 << QByteArray() << QByteArray("abc");
        QTest::newRow("first length exceeds the file")
            << int32Bytes(1000) + QByteArray("rest of it") << QByteArray() << 0.0 << 0
            << QByteArray() << QByteArray("rest of it");
        QTest::newRow("zero and negative lengths read on")
            << int32Bytes(0) + doubleBytes(2.5) + int32Bytes(0) + int32Bytes(9) + int32Bytes(-4) +
                   text("C:\\data\\学生.XA1") + QByteArray(8, '\0') + QByteArray("P")
            << QByteArray() << 2.5 << 0 << QByteArray("学生.XA1") << QByteArray("P");
        QTest::newRow("short before version")
            << text("T") + QByteArray("1234567") << QByteArray("T") << 0.0 << 0 << QByteArray()
            << QByteArray("1234567");
        QTest::newRow("short before compression")
            << text("T") + doubleBytes(1.0) + QByteArray("12345678901") << QByteArray("T") << 1.0
            << 0 << QByteArray() << QByteArray("12345678901");
        QTest::newRow("comment too long stops after compression")
            << text("") + doubleBytes(1.0) + int32Bytes(0) + int32Bytes(0) + int32Bytes(50) + "xy"
            << QByteArray() << 1.0 << 0 << QByteArray() << QByteArray("xy");
        QTest::newRow("no reserved bytes") << text("") + tail + text("") + "1234567" << QByteArray()
                                           << 1.0 << 0 << QByteArray() << QByteArray("1234567");
        QTest::newRow("source name keeps the file part")
            << text("") + doubleBytes(1.0) + int32Bytes(0) + int32Bytes(0) + text("") +
                   text("/tmp/x/a.b.XA1") + QByteArray(8, '\0') + "data"
            << QByteArray() << 1.0 << 0 << QByteArray("a.b.XA1") << QByteArray("data");
    }
    void headerRules()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, payload);
        TXFile c;
        QCOMPARE(c.LoadFromBytes(file), payload.size());
        QCOMPARE(c.payload(), payload);
        QTEST(c.header().title, "title");
        QTEST(c.header().version, "version");
        QTEST(int(c.header().compression), "compression");
        QTEST(c.header().sourceName, "sourceName");
    }

    void inflateErrorNamesLengthAndReason()
    {
        const QByteArray file = text("") + doubleBytes(1.0) + int32Bytes(1) + int32Bytes(0) +
                                text("") + text("") + QByteArray(8, '\0') + "not zlib at all";
        TXFile c;
        try {
            c.LoadFromBytes(file);
            QFAIL("no error raised");
        } catch (const XInflateError& e) {
            QCOMPARE(QString::fromUtf8(e.what()),
                     QStringLiteral("解压缓冲区出错! (长度 = %1):\r\nincorrect header check")
                         .arg(file.size()));
        }
        // A stream cut short reports zlib's buffer error.
        QByteArray cut = configContainer(1);
        cut.chop(10);
        QVERIFY_THROWS_EXCEPTION(XInflateError, c.LoadFromBytes(cut));
    }

    void unknownCompressionIsNotWritten()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("c.bin"));
        TXFile c;
        c.setPackHeader(7, QString(), QString());
        c.setPayload("abc");
        QCOMPARE(c.SaveToFile(path), qint64(-1));
        QVERIFY(!QFile::exists(path));
    }

    void packAndUnpack()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("民族字典表_学院.XA1"));
        const QByteArray content = randomBytes(5000, 3) + QByteArray(5000, 'z');
        {
            QFile f(source);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const QString packed = dir.filePath(QStringLiteral("packed.bin"));
        const qint64 written = PackFile(source, false, true, 1, QString(), packed);
        QCOMPARE(written, QFileInfo(packed).size());

        TXFile c;
        c.LoadFromFile(packed);
        QCOMPARE(c.payload(), content);
        QCOMPARE(c.header().compression, 1);
        QCOMPARE(c.header().version, 1.0);
        QCOMPARE(c.header().title, QByteArray());

        // Unpacking into a folder names the file after the source name + "X".
        QDir(dir.path()).mkpath(QStringLiteral("out"));
        const qint64 bare =
            PackFile(packed, true, false, 0, QString(), dir.filePath(QStringLiteral("out")));
        QCOMPARE(bare, content.size());
        QFile out(dir.filePath(QStringLiteral("out/民族字典表_学院.XA1X")));
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), content);

        // A container without a source name unpacks as "TempX" + "X".
        const QByteArray nameless = text("") + doubleBytes(1.0) + int32Bytes(0) + int32Bytes(0) +
                                    text("") + text("") + QByteArray(8, '\0') + "payload";
        const QString namelessPath = dir.filePath(QStringLiteral("nameless.bin"));
        QFile n(namelessPath);
        QVERIFY(n.open(QIODevice::WriteOnly));
        n.write(nameless);
        n.close();
        QCOMPARE(
            PackFile(namelessPath, true, false, 0, QString(), dir.filePath(QStringLiteral("out"))),
            qint64(7));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("out/TempXX"))));

        QCOMPARE(
            PackFile(dir.filePath(QStringLiteral("missing")), false, true, 1, QString(), packed),
            qint64(-1));
    }

    // Damaged configuration files never crash the reader and give either no rows or exactly
    // the original ones.
    void damagedContainersGiveNoRowsOrTheOriginal_data()
    {
        QTest::addColumn<int>("compression");
        for (int c = 0; c <= 3; ++c)
            QTest::addRow("compression %d", c) << c;
    }
    void damagedContainersGiveNoRowsOrTheOriginal()
    {
        QFETCH(int, compression);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Korvel.XIX"));
        const QByteArray good = configContainer(compression);
        const QList<QVariantList> original = rowsOf(good, path);
        QCOMPARE(original.size(), 5);

        int intact = 0;
        for (qsizetype cut = 0; cut < good.size(); ++cut) {
            const QList<QVariantList> rows = rowsOf(good.left(cut), path);
            QVERIFY2(rows.isEmpty() || rows == original, qPrintable(QString::number(cut)));
            intact += rows.isEmpty() ? 0 : 1;
        }
        QCOMPARE(intact, 0); // every cut loses the checksum or the stream end

        QRandomGenerator rng(1234u + compression);
        for (int trial = 0; trial < 1500; ++trial) {
            QByteArray bad = good;
            const int flips = 1 + int(rng.bounded(3));
            for (int f = 0; f < flips; ++f)
                bad[rng.bounded(int(bad.size()))] ^= char(1 + rng.bounded(255));
            const QList<QVariantList> rows = rowsOf(bad, path);
            QVERIFY2(rows.isEmpty() || rows == original, qPrintable(QString::number(trial)));
        }
    }
};

QTEST_GUILESS_MAIN(TestTXFile)
#include "tst_txfile.moc"
