#include "data/schema.h"

#include <QSet>
#include <QtTest>

Q_DECLARE_METATYPE(ColumnType)

namespace {
QString text(const char* s)
{
    return s ? QString::fromUtf8(s) : QString();
}
} // namespace

class TestSchemaDecl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void counts()
    {
        QCOMPARE(int(schemaTables().size()), 28);
        QCOMPARE(int(schemaKeys().size()), 32);
    }

    // Looked up in other letter cases on purpose: existing databases differ in case.
    void tables_data()
    {
        QTest::addColumn<QString>("lookup");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("columnCount");
        QTest::addColumn<QString>("primaryKey");

        QTest::newRow("first") << "czyb" << 0 << 7 << "ID";
        QTest::newRow("results") << "Cjb" << 5 << 91 << "ID";
        QTest::newRow("nation") << "TNATION" << 20 << 2 << "DM";
        QTest::newRow("no key") << "tstudentinfo" << 22 << 17 << QString();
        QTest::newRow("report key") << "tcsjsbb" << 24 << 23 << "XH";
        QTest::newRow("last") << "csxmb" << 27 << 10 << "ID";
    }
    void tables()
    {
        QFETCH(QString, lookup);
        QFETCH(int, position);
        QFETCH(int, columnCount);
        QFETCH(QString, primaryKey);

        const TableDef* t = findTable(lookup);
        QVERIFY(t);
        QCOMPARE(t, &schemaTables()[position]);
        QCOMPARE(int(t->columns.size()), columnCount);
        QCOMPARE(text(t->primaryKey), primaryKey);
        QCOMPARE(text(t->primaryKey).isNull(), primaryKey.isNull());
    }

    void unknownTable() { QVERIFY(!findTable(u"CZYBX")); }

    void columns_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("column");
        QTest::addColumn<ColumnType>("type");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("notNull");
        QTest::addColumn<QString>("defaultValue");
        QTest::addColumn<QString>("label");

        QTest::newRow("operator id")
            << "CZYB"
            << "id" << ColumnType::Int << 0 << true << "501001" << QStringLiteral("索引号");
        QTest::newRow("password holds a hash")
            << "CZYB"
            << "kl" << ColumnType::Varchar << 128 << false << QString() << QStringLiteral("口令");
        QTest::newRow("chinese default")
            << "BZB"
            << "SSNJ" << ColumnType::Varchar << 16 << false << QStringLiteral("'大一大二'")
            << QStringLiteral("适合年级");
        QTest::newRow("not null with default")
            << "TZJKB"
            << "NJBZ" << ColumnType::Varchar << 2 << true << "'12'" << QStringLiteral("年级标志");
        QTest::newRow("bonus column")
            << "CJB"
            << "BBJFDF" << ColumnType::Float << 0 << false << "0" << QString();
        QTest::newRow("identity") << "CSXMB"
                                  << "ID" << ColumnType::Identity << 0 << true << QString()
                                  << QString();
        QTest::newRow("datetime") << "TCSJSBB"
                                  << "CSRQ" << ColumnType::DateTime << 0 << false << QString()
                                  << QStringLiteral("出生日期");
    }
    void columns()
    {
        QFETCH(QString, table);
        QFETCH(QString, column);
        QFETCH(ColumnType, type);
        QFETCH(int, size);
        QFETCH(bool, notNull);
        QFETCH(QString, defaultValue);
        QFETCH(QString, label);

        const TableDef* t = findTable(table);
        QVERIFY(t);
        const ColumnDef* c = t->column(column);
        QVERIFY(c);
        QCOMPARE(c->type, type);
        QCOMPARE(c->size, size);
        QCOMPARE(c->notNull, notNull);
        QCOMPARE(text(c->defaultValue), defaultValue);
        QCOMPARE(c->defaultValue == nullptr, defaultValue.isNull());
        QCOMPARE(text(c->label), label);
        QCOMPARE(c->label == nullptr, label.isNull());
    }

    void operatorColumnOrder()
    {
        QStringList names;
        for (const ColumnDef& c : findTable(u"CZYB")->columns)
            names << text(c.name);
        QCOMPARE(names, QStringList({"ID", "PID", "ZW", "JSID", "JSXM", "KL", "QX"}));
    }

    // Exactly the eight bonus columns and the BMI value carry a default in CJB.
    void resultDefaults()
    {
        QStringList withDefault;
        for (const ColumnDef& c : findTable(u"CJB")->columns) {
            if (c.defaultValue) {
                QCOMPARE(text(c.defaultValue), QStringLiteral("0"));
                withDefault << text(c.name);
            }
        }
        QCOMPARE(withDefault, QStringList({"SGTZCJ", "YTJFCJ", "YTJFDF", "YWJFCJ", "YWJFDF",
                                           "QMJFCJ", "QMJFDF", "BBJFCJ", "BBJFDF"}));
    }

    // The creation failure message names the table by description, and two tables share one.
    void sharedDescription()
    {
        const QString students = QStringLiteral("学生信息表");
        QCOMPARE(text(findTable(u"XSB")->description), students);
        QCOMPARE(text(findTable(u"tStudentInfo")->description), students);
    }

    void everyTableIsConsistent()
    {
        int withoutKey = 0;
        for (const TableDef& t : schemaTables()) {
            QSet<QString> seen;
            for (const ColumnDef& c : t.columns) {
                const QString name = text(c.name).toUpper();
                QVERIFY2(!seen.contains(name), qPrintable(text(t.name) + '.' + name));
                seen.insert(name);
                QCOMPARE(c.size > 0, c.type == ColumnType::Varchar);
            }
            QVERIFY2(text(t.description).size() > 0, t.name);
            if (t.primaryKey)
                QVERIFY2(t.column(text(t.primaryKey)), t.name);
            else
                ++withoutKey;
        }
        QCOMPARE(withoutKey, 3);
    }

    void everyKeyNamesExistingColumns()
    {
        QSet<QString> names;
        for (const KeyDef& k : schemaKeys()) {
            QVERIFY2(!names.contains(text(k.name)), k.name);
            names.insert(text(k.name));
            const TableDef* t = findTable(text(k.table));
            QVERIFY2(t, k.name);
            QVERIFY2(!k.columns.empty(), k.name);
            for (const char* c : k.columns)
                QVERIFY2(t->column(text(c)), qPrintable(text(k.name) + ": " + text(c)));
            if (k.primaryKey) {
                QCOMPARE(text(k.name), "PK_" + text(t->name));
                QCOMPARE(k.columns.size(), size_t(1));
                QCOMPARE(text(k.columns.front()), text(t->primaryKey));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestSchemaDecl)
#include "tst_schema_decl.moc"
