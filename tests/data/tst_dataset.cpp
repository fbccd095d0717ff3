#include "data/dataset.h"
#include "data/dataset_model.h"
#include "platform/gbk_text.h"
#include "support/scripted_interaction.h"
#include "support/test_database.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QtTest>

#include <csignal>

namespace {
// Fills CJB with n rows keyed 501001.200609.0001 and up.
bool seedScores(QSqlDatabase db, int n)
{
    if (!db.transaction())
        return false;
    QSqlQuery q(db);
    q.prepare("INSERT INTO CJB (ID, XH, XSXM, XB, JSID, XZBMC, SG, TZ, MEMO) VALUES (?, ?, ?, ?, "
              "?, ?, ?, ?, NULL)");
    for (int i = 1; i <= n; ++i) {
        q.addBindValue(QStringLiteral("50100%1.200609.%2")
                           .arg(1 + i / 10000)
                           .arg(i % 10000, 4, 10, QLatin1Char('0')));
        q.addBindValue(QStringLiteral("2006%1").arg(i, 5, 10, QLatin1Char('0')));
        q.addBindValue(i % 2 ? QStringLiteral("张三") : QStringLiteral("李四"));
        q.addBindValue(i % 2 ? QStringLiteral("男") : QStringLiteral("女"));
        q.addBindValue(501001);
        q.addBindValue(QStringLiteral("体育1班"));
        q.addBindValue(1.70 + i * 0.001);
        q.addBindValue(60.5);
        if (!q.exec())
            return false;
    }
    return db.commit();
}

QVariant cell(QSqlDatabase db, const QString& sql)
{
    QSqlQuery q(db);
    return q.exec(sql) && q.next() ? q.value(0) : QVariant(QStringLiteral("<no row>"));
}

std::unique_ptr<Dataset> openScores(QSqlDatabase db, const Dialect* dialect,
                                    QObject* parent = nullptr)
{
    auto ds = std::make_unique<Dataset>(parent);
    ds->setConnection(db, dialect);
    ds->setSql("SELECT * FROM CJB ORDER BY ID");
    ds->open();
    return ds;
}
} // namespace

class TestDataset : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editPostCancelAndWriteBack_data() { TestDatabase::addEngineRows(); }
    void editPostCancelAndWriteBack()
    {
        QFETCH(Dialect::Kind, engine);
        TestDatabase db(engine);
        QVERIFY(db.createSchema());
        QVERIFY(seedScores(db.dm().DBConn(), 3));
        auto ds = openScores(db.dm().DBConn(), &db.dm().dialect());
        QVERIFY2(ds->isOpen(), qPrintable(ds->lastError()));
        QCOMPARE(ds->rowCount(), 3);
        QCOMPARE(ds->keyField(), QString("ID"));
        QCOMPARE(ds->field(ds->fieldIndex(u"xsxm")).name, QString("XSXM")); // declared spelling

        // Edit, cancel: nothing changes.
        QVERIFY(ds->setCurrentRow(1));
        QVERIFY(ds->edit());
        QVERIFY(ds->setFieldValue(u"SG", 1.99));
        QCOMPARE(ds->fieldValue(u"SG").toDouble(), 1.99);
        ds->cancel();
        QCOMPARE(ds->fieldValue(u"SG").toDouble(), 1.702);
        QVERIFY(!ds->hasPendingChanges());

        // Edit and post, append, delete: all pending until the batch.
        QVERIFY(ds->edit());
        QVERIFY(ds->setFieldValue(u"SG", 1.81));
        QVERIFY(ds->setFieldValue(u"MEMO", QString("O'Brien'; DROP TABLE XSB;--")));
        QVERIFY(ds->post());
        QCOMPARE(ds->rowStatus(1), Dataset::RowStatus::Modified);
        QCOMPARE(ds->originalValue(1, ds->fieldIndex(u"SG")).toDouble(), 1.702);
        QVERIFY(ds->append());
        QVERIFY(ds->setFieldValue(u"ID", QString("501001.200609.0004")));
        QVERIFY(ds->setFieldValue(u"XSXM", QString("王五")));
        QVERIFY(ds->post());
        QVERIFY(ds->setCurrentRow(0));
        QVERIFY(ds->deleteRow());
        QCOMPARE(ds->rowCount(), 3);
        QCOMPARE(ds->pendingCount(), 3);
        QCOMPARE(cell(db.dm().DBConn(), "SELECT COUNT(*) FROM CJB").toInt(), 3);

        QVERIFY2(ds->updateBatch(), qPrintable(ds->batchError().message));
        QVERIFY(!ds->hasPendingChanges());
        QSqlDatabase c = db.dm().DBConn();
        QCOMPARE(cell(c, "SELECT COUNT(*) FROM CJB").toInt(), 3);
        QCOMPARE(cell(c, "SELECT SG FROM CJB WHERE ID='501001.200609.0002'").toDouble(), 1.81);
        QCOMPARE(cell(c, "SELECT MEMO FROM CJB WHERE ID='501001.200609.0002'").toString(),
                 QString("O'Brien'; DROP TABLE XSB;--"));
        QCOMPARE(cell(c, "SELECT XSXM FROM CJB WHERE ID='501001.200609.0004'").toString(),
                 QString("王五"));
        QCOMPARE(cell(c, "SELECT COUNT(*) FROM CJB WHERE ID='501001.200609.0001'").toInt(), 0);
        // Omitted columns took their defaults.
        QCOMPARE(cell(c, "SELECT SGTZCJ FROM CJB WHERE ID='501001.200609.0004'").toDouble(), 0.0);
        QCOMPARE(cell(c, "SELECT COUNT(*) FROM XSB").toInt(), 0); // still there
    }

    void conflictsAreReportedNotOverwritten_data() { TestDatabase::addEngineRows(); }
    void conflictsAreReportedNotOverwritten()
    {
        QFETCH(Dialect::Kind, engine);
        TestDatabase db(engine);
        QVERIFY(db.createSchema());
        QVERIFY(seedScores(db.dm().DBConn(), 3));
        QSqlDatabase other = db.secondConnection();
        QVERIFY(other.isOpen());
        auto mine = openScores(db.dm().DBConn(), &db.dm().dialect());
        auto theirs = openScores(other, &db.dm().dialect());

        // They change row 1 first; my change of the same column conflicts.
        theirs->setCurrentRow(0);
        theirs->edit();
        theirs->setFieldValue(u"TZ", 70.0);
        QVERIFY(theirs->updateBatch());

        mine->setCurrentRow(2);
        mine->edit();
        mine->setFieldValue(u"TZ", 55.5); // a change that would succeed on its own
        mine->post();
        mine->setCurrentRow(0);
        mine->edit();
        mine->setFieldValue(u"TZ", 80.0);
        mine->post();
        QVERIFY(!mine->updateBatch());
        QVERIFY(mine->batchError().conflict);
        QCOMPARE(mine->batchError().key.toString(), QString("501001.200609.0001"));
        QCOMPARE(mine->batchError().row, 0);
        // Their value stays; my whole batch was rolled back; my edits are still pending.
        QCOMPARE(
            cell(db.dm().DBConn(), "SELECT TZ FROM CJB WHERE ID='501001.200609.0001'").toDouble(),
            70.0);
        QCOMPARE(
            cell(db.dm().DBConn(), "SELECT TZ FROM CJB WHERE ID='501001.200609.0003'").toDouble(),
            60.5);
        QCOMPARE(mine->pendingCount(), 2);
        QCOMPARE(mine->value(0, mine->fieldIndex(u"TZ")).toDouble(), 80.0);
        QCOMPARE(mine->value(2, mine->fieldIndex(u"TZ")).toDouble(), 55.5);

        // A row they deleted: my update of it conflicts; my delete of it simply succeeds.
        QSqlQuery q(other);
        QVERIFY(q.exec("DELETE FROM CJB WHERE ID='501001.200609.0002'"));
        mine->cancelBatch();
        QCOMPARE(mine->value(0, mine->fieldIndex(u"TZ")).toDouble(), 60.5);
        mine->setCurrentRow(1);
        mine->edit();
        mine->setFieldValue(u"TZ", 61.0);
        mine->post();
        QVERIFY(!mine->updateBatch());
        QVERIFY(mine->batchError().conflict);
        mine->cancelBatch();
        // A delete of a row they changed conflicts.
        QVERIFY(q.exec("UPDATE CJB SET TZ = 66 WHERE ID='501001.200609.0003'"));
        mine->setCurrentRow(2);
        mine->deleteRow();
        QVERIFY(!mine->updateBatch());
        QVERIFY(mine->batchError().conflict);
        QCOMPARE(mine->pendingCount(), 1);
        mine->cancelBatch();
        mine->setCurrentRow(1);
        QCOMPARE(mine->fieldValue(u"ID").toString(), QString("501001.200609.0002"));
        mine->deleteRow();
        QVERIFY2(mine->updateBatch(), qPrintable(mine->batchError().message));
        QVERIFY(mine->refresh());

        // Changes to other columns of a row they changed do not conflict; NULLs compare safely.
        mine->cancelBatch();
        QVERIFY(mine->setCurrentRow(0));
        mine->edit();
        mine->setFieldValue(u"MEMO", QString("补测"));
        mine->setFieldValue(u"SGTZPJ", QString("-1"));
        mine->post();
        QVERIFY2(mine->updateBatch(), qPrintable(mine->batchError().message));
        QCOMPARE(
            cell(db.dm().DBConn(), "SELECT TZ FROM CJB WHERE ID='501001.200609.0001'").toDouble(),
            70.0);
        QCOMPARE(
            cell(db.dm().DBConn(), "SELECT MEMO FROM CJB WHERE ID='501001.200609.0001'").toString(),
            QString("补测"));
    }

    void overlongTextIsRefusedAlike_data() { TestDatabase::addEngineRows(); }
    void overlongTextIsRefusedAlike()
    {
        QFETCH(Dialect::Kind, engine);
        TestDatabase db(engine);
        QVERIFY(db.createSchema());
        QVERIFY(seedScores(db.dm().DBConn(), 1));
        auto ds = openScores(db.dm().DBConn(), &db.dm().dialect());
        ds->edit();
        ds->setFieldValue(u"XSXM", QString("欧阳司马五")); // 10 bytes: fits
        QVERIFY(ds->post());
        ds->edit();
        ds->setFieldValue(u"XSXM", QString("欧阳司马五六")); // 12 bytes
        QVERIFY(!ds->post());
        QCOMPARE(ds->lastError(), QString("“XSXM”的内容太长: 12 字节, 最多 10 字节"));
        QCOMPARE(ds->state(), Dataset::State::Edit); // still editable, nothing cut
        ds->cancel();
        QVERIFY(ds->updateBatch());
        QCOMPARE(cell(db.dm().DBConn(), "SELECT XSXM FROM CJB").toString(), QString("欧阳司马五"));
    }

    void hooksSeeTheNewValueAndModelFollows()
    {
        TestDatabase db(Dialect::Kind::SQLite);
        QVERIFY(db.createSchema());
        QVERIFY(seedScores(db.dm().DBConn(), 5));
        auto ds = openScores(db.dm().DBConn(), &db.dm().dialect());
        DatasetModel model(ds.get());
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), 5);

        QList<double> seen;
        ds->setFieldHook(u"SG", [&](Dataset& d, int) {
            seen.append(d.fieldValue(u"SG").toDouble());
            d.setFieldValue(u"SGTZPJ", QString("已测"));
        });
        ds->setCurrentRow(3);
        ds->edit();
        ds->setFieldValue(u"sg", 1.75);
        QCOMPARE(seen, QList<double>{1.75});
        QCOMPARE(ds->fieldValue(u"SGTZPJ").toString(), QString("已测"));
        QCOMPARE(model.data(model.index(3, ds->fieldIndex(u"SG"))).toDouble(), 1.75);
        ds->post();

        // Sorting moves rows and keeps persistent indexes on their rows.
        const QPersistentModelIndex tracked = model.index(3, 0);
        QVERIFY(ds->setSort("XSXM DESC, ID"));
        QCOMPARE(tracked.data().toString(), QString("501001.200609.0004"));
        QCOMPARE(ds->value(0, ds->fieldIndex(u"XSXM")).toString(),
                 QString("张三")); // GBK order: 张 after 李

        // Appends and deletes through the model's signals; a disabled batch sends one reset.
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
        ds->disableControls();
        for (int r = 0; r < ds->rowCount(); ++r) {
            ds->setCurrentRow(r);
            ds->edit();
            ds->setFieldValue(u"TZ", 50.0 + r);
            ds->post();
        }
        QCOMPARE(changes.count(), 0);
        ds->enableControls();
        QCOMPARE(resets.count(), 1);
        ds->append();
        ds->setFieldValue(u"ID", QString("z"));
        ds->post();
        QCOMPARE(model.rowCount(), 6);
        ds->deleteRow();
        QCOMPARE(model.rowCount(), 5);

        // Editing through the model posts into the cache.
        model.setEditable(true);
        QVERIFY(model.setData(model.index(0, ds->fieldIndex(u"MEMO")), QString("x")));
        QVERIFY(!model.setData(model.index(0, ds->fieldIndex(u"XSXM")), QString("一二三四五六")));
        QVERIFY(ds->locate(u"ID", QString("501001.200609.0005")));
        QCOMPARE(ds->currentRow(), 2); // 张三's rows 1, 3, 5 come first
        QVERIFY(!ds->locate(u"ID", QString("nope")));
        ds->cancelBatch();
        QCOMPARE(model.rowCount(), 5);
        QVERIFY(!ds->hasPendingChanges());
    }

    // Text sorts by its GBK bytes (pinyin order for common characters) whatever the mix of
    // ASCII, Chinese and characters beyond the BMP, which UTF-16 puts elsewhere; NULL first.
    void textSortsByGbkBytes()
    {
        TestDatabase db(Dialect::Kind::SQLite);
        QVERIFY(db.createSchema());
        const QStringList names = {"张三", "李四", "a张", "a李", "张a",   "张b", "Z", "阿",
                                   "张",   "𠀀",   "𠀁",  "一",  "李四a", "ab",  "a", "a𠀀"};
        QSqlQuery q(db.dm().DBConn());
        QVERIFY(q.prepare("INSERT INTO CJB (ID, XSXM) VALUES (?, ?)"));
        for (qsizetype i = 0; i <= names.size(); ++i) {
            q.addBindValue(QString::number(100 + i));
            q.addBindValue(i < names.size() ? QVariant(names[i])
                                            : QVariant(QMetaType::fromType<QString>()));
            QVERIFY(q.exec());
        }
        auto ds = openScores(db.dm().DBConn(), &db.dm().dialect());
        const auto order = [&] {
            QStringList seen;
            for (int r = 0; r < ds->rowCount(); ++r) {
                const QVariant v = ds->value(r, ds->fieldIndex(u"XSXM"));
                seen << (v.isNull() ? QString("NULL") : v.toString());
            }
            return seen;
        };
        QStringList expected = names;
        std::sort(expected.begin(), expected.end(),
                  [](const QString& a, const QString& b) { return toGbk(a) < toGbk(b); });
        expected.prepend("NULL");
        QVERIFY(ds->setSort("XSXM"));
        QCOMPARE(order(), expected);
        std::reverse(expected.begin(), expected.end());
        QVERIFY(ds->setSort("XSXM DESC"));
        QCOMPARE(order(), expected);
    }

    // A process killed in the middle of a batch leaves the database as it was.
    void killedBatchLeavesNoTrace_data() { TestDatabase::addEngineRows(); }
    void killedBatchLeavesNoTrace()
    {
        QFETCH(Dialect::Kind, engine);
        TestDatabase db(engine);
        QVERIFY(db.createSchema());
        QVERIFY(seedScores(db.dm().DBConn(), 10000));
        const ConnectionSpec& spec = db.spec();

        bool killedMidway = false;
        for (int attempt = 0; attempt < 5 && !killedMidway; ++attempt) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(),
                        {"--child-batch", QString::number(int(spec.kind)),
                         spec.kind == Dialect::Kind::SQLite ? spec.file : spec.database});
            QVERIFY(child.waitForStarted());
            QByteArray out;
            while (!out.contains("starting") && child.waitForReadyRead(60000))
                out += child.readAllStandardOutput();
            QVERIFY(out.contains("starting"));
            QTest::qWait(5 + attempt * 5);
            ::kill(pid_t(child.processId()), SIGKILL);
            child.waitForFinished();
            out += child.readAllStandardOutput();
            killedMidway = !out.contains("done");
        }
        QVERIFY(killedMidway);
        // Reopen and look: not one row carries the batch's value.
        TFDM fresh;
        QVERIFY(fresh.OpenConnection(spec));
        QCOMPARE(cell(fresh.DBConn(), "SELECT COUNT(*) FROM CJB").toInt(), 10000);
        QCOMPARE(cell(fresh.DBConn(), "SELECT COUNT(*) FROM CJB WHERE TZ = 99.5").toInt(), 0);
    }
};

static int childBatch(int kind, const QString& where)
{
    TFDM dm;
    ConnectionSpec spec;
    spec.kind = Dialect::Kind(kind);
    if (spec.kind == Dialect::Kind::SQLite) {
        spec.file = where;
    } else {
        spec.login = TestDatabase::postgresLogin();
        spec.database = where;
    }
    if (!dm.OpenConnection(spec))
        return 3;
    auto ds = openScores(dm.DBConn(), &dm.dialect());
    ds->disableControls();
    for (int r = 0; r < ds->rowCount(); ++r) {
        ds->setCurrentRow(r);
        ds->edit();
        ds->setFieldValue(u"TZ", 99.5);
        ds->post();
    }
    std::printf("starting\n");
    std::fflush(stdout);
    const bool ok = ds->updateBatch();
    std::printf(ok ? "done\n" : "failed\n");
    std::fflush(stdout);
    return ok ? 0 : 4;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--child-batch")
        return childBatch(QByteArray(argv[2]).toInt(), QString::fromLocal8Bit(argv[3]));
    TestDataset test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_dataset.moc"
