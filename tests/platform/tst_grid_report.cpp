#include "platform/grid_report.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}
} // namespace

class TestGridReport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void printsTitlesColumnsGroupsAndFooters()
    {
        GridReport report;
        report.titleLines = {"北方示范学院", "民族字典表"};
        report.columns = {{"编码", 60, false}, {"民族", 120, false}, {"人数", 60, true}};
        for (int g = 0; g < 3; ++g) {
            report.rows.append({true, 0, QString("学院: 第%1学院 (小计40个)").arg(g + 1), {}});
            for (int i = 0; i < 40; ++i)
                report.rows.append(
                    {false, 1, {}, {QString::number(g * 40 + i), "维吾尔族", QString::number(i)}});
        }
        report.footers = {"共120条", "", "平均19.50分"};

        QTemporaryDir dir;
        const QString pdf = dir.filePath("report.pdf");
        QVERIFY(report.writePdf(pdf));
        const QString info = run("pdfinfo", {pdf});
        QVERIFY2(info.contains("595 x 842 pts (A4)"), qPrintable(info));
        const int pages = QRegularExpression("Pages:\\s+(\\d+)").match(info).captured(1).toInt();
        QVERIFY(pages >= 2);

        const QString text = run("pdftotext", {"-layout", pdf, "-"});
        for (const char* expected :
             {"北方示范学院", "民族字典表", "编码", "民族", "人数", "学院: 第2学院 (小计40个)",
              "维吾尔族", "共120条", "平均19.50分"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
        QVERIFY(text.contains(
            QRegularExpression(QString("第\\s*%1\\s*页\\s*共\\s*%1\\s*页").arg(pages))));
        // The column header repeats on every page; the titles only on the first.
        QCOMPARE(text.count("民族字典表"), 1);
        QCOMPARE(text.count("编码"), pages);
    }

    void unwritableTargetFails()
    {
        GridReport report;
        report.columns = {{"编码", 60, false}};
        QVERIFY(!report.writePdf("/nonexistent-folder/x.pdf"));
    }
};

QTEST_MAIN(TestGridReport)
#include "tst_grid_report.moc"
