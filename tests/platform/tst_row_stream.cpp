#include "platform/row_stream.h"

#include <QDateTime>
#include <QtTest>

class TestRowStream : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTripKeepsTypesAndNulls()
    {
        RowTable table;
        table.fields = {{QStringLiteral("XH"), RowFieldType::Text, 12},
                        {QStringLiteral("ID"), RowFieldType::Integer, 0},
                        {QStringLiteral("DF"), RowFieldType::Float, 0},
                        {QStringLiteral("MS"), RowFieldType::Boolean, 0},
                        {QStringLiteral("CSRQ"), RowFieldType::Date, 0},
                        {QStringLiteral("LRSJ"), RowFieldType::DateTime, 0},
                        {QStringLiteral("ZP"), RowFieldType::Bytes, 0}};
        table.rows.append({QStringLiteral("0012 张三 "), qint64(-5), 59.995, true,
                           QDate(2006, 2, 28), QDateTime(QDate(2026, 9, 1), QTime(8, 30, 15, 7)),
                           QByteArray("\0\x01\xff", 3)});
        table.rows.append(
            {QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant()});
        table.rows.append({QString(""), qint64(0), 0.0, false, QDate(1900, 1, 1),
                           QDateTime(QDate(2000, 1, 1), QTime(0, 0)), QByteArray("")});

        const auto decoded = decodeRowTable(encodeRowTable(table));
        QVERIFY(decoded);
        QCOMPARE(decoded->fields.size(), table.fields.size());
        for (qsizetype f = 0; f < table.fields.size(); ++f) {
            QCOMPARE(decoded->fields[f].name, table.fields[f].name);
            QCOMPARE(decoded->fields[f].type, table.fields[f].type);
            QCOMPARE(decoded->fields[f].size, table.fields[f].size);
        }
        QCOMPARE(decoded->rows.size(), 3);
        QCOMPARE(decoded->rows[0], table.rows[0]);
        for (const QVariant& v : decoded->rows[1])
            QVERIFY(v.isNull());
        // An empty text is a value, not NULL.
        QVERIFY(!decoded->rows[2][0].isNull());
        QCOMPARE(decoded->rows[2][0].toString(), QString());
        QCOMPARE(decoded->fieldIndex(u"csrq"), 4);
        QCOMPARE(decoded->fieldIndex(u"nope"), -1);
    }

    void damagedStreamsDecodeToNothing()
    {
        RowTable table;
        table.fields = {{QStringLiteral("IDX"), RowFieldType::Text, 0},
                        {QStringLiteral("X"), RowFieldType::Text, 0}};
        table.rows.append({QStringLiteral("XDBName"), QStringLiteral("Orvane")});
        const QByteArray good = encodeRowTable(table);

        for (qsizetype cut = 0; cut < good.size(); ++cut)
            QVERIFY2(!decodeRowTable(good.left(cut)), qPrintable(QString::number(cut)));
        for (qsizetype i = 0; i < good.size(); ++i) {
            QByteArray bad = good;
            bad[i] = char(bad[i] ^ 0x10);
            QVERIFY2(!decodeRowTable(bad), qPrintable(QString::number(i)));
        }
        QVERIFY(!decodeRowTable(good + QByteArray(1, '\0')));
    }
};

QTEST_GUILESS_MAIN(TestRowStream)
#include "tst_row_stream.moc"
