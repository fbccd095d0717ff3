// fixtures/students.xls was made once with LibreOffice from a UTF-8 csv named 学生名单.csv:
//   soffice --headless --infilter="CSV:44,34,76,1,,2052,false,true" --convert-to xls 学生名单.csv
// (columns 学号,姓名,班级,出生日期,身高,成绩; the sheet is named after the csv file).

#include "platform/spreadsheet.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <xlsxwriter.h>
#include <zip.h>

namespace {

// Type and value of each cell, so a whole number read back as a double or a date read back as
// text shows up as a difference.
QString typed(const QVariant& v)
{
    if (!v.isValid())
        return "null";
    const QString value = v.typeId() == QMetaType::QDateTime
                              ? v.toDateTime().toString("yyyy-MM-dd HH:mm:ss.zzz")
                              : v.toString();
    return QString::fromLatin1(v.typeName()) + ":" + value;
}

QStringList typedRows(const QList<QVariantList>& rows)
{
    QStringList out;
    for (const QVariantList& row : rows) {
        QStringList cells;
        for (const QVariant& v : row)
            cells.append(typed(v));
        out.append(cells.join(" | "));
    }
    return out;
}

void compareSheet(const std::optional<Sheet>& actual, const QString& error, const Sheet& expected)
{
    QVERIFY2(actual, qPrintable(error));
    QCOMPARE(actual->name, expected.name);
    QCOMPARE(actual->header, expected.header);
    QCOMPARE(typedRows(actual->rows), typedRows(expected.rows));
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A zip with the given parts, for workbooks our writer would never produce.
QByteArray makeZip(const QList<std::pair<QByteArray, QByteArray>>& parts)
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("w.zip"));
    zipFile zf = zipOpen64(path.constData(), APPEND_STATUS_CREATE);
    if (!zf)
        return {};
    for (const auto& [name, content] : parts) {
        zip_fileinfo info{};
        zipOpenNewFileInZip64(zf, name.constData(), &info, nullptr, 0, nullptr, 0, nullptr,
                              Z_DEFLATED, 6, 0);
        zipWriteInFileInZip(zf, content.constData(), unsigned(content.size()));
        zipCloseFileInZip(zf);
    }
    zipClose(zf, nullptr);
    return readFile(QString::fromLocal8Bit(path));
}

const QByteArray kMain = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                         "relationships\"";

// A one-sheet workbook around the given rows, with a rich shared string (phonetic
// guide included), date, time and plain custom formats, and optionally the 1904 date system.
QByteArray handMadeXlsx(const QByteArray& sheetData, bool date1904 = false)
{
    const QByteArray rels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    return makeZip({
        {"_rels/.rels",
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"" +
             rels +
             "/officeDocument\" Target=\"xl/workbook.xml\"/>"
             "</Relationships>"},
        {"xl/workbook.xml", "<workbook " + kMain + ">" +
                                (date1904 ? "<workbookPr date1904=\"1\"/>" : "") +
                                "<sheets><sheet name=\"表\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"
                                "</workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"" +
             rels +
             "/worksheet\" Target=\"worksheets/s1.xml\"/>"
             "<Relationship Id=\"rId2\" Type=\"" +
             rels +
             "/styles\" Target=\"/xl/styles.xml\"/>"
             "<Relationship Id=\"rId3\" Type=\"" +
             rels +
             "/sharedStrings\" Target=\"strings.xml\"/>"
             "</Relationships>"},
        {"xl/styles.xml",
         "<styleSheet " + kMain +
             "><numFmts>"
             "<numFmt numFmtId=\"164\" "
             "formatCode=\"yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;\"/>"
             "<numFmt numFmtId=\"165\" formatCode=\"[h]:mm:ss\"/>"
             "<numFmt numFmtId=\"166\" formatCode=\"#,##0.00_);[Red](#,##0.00)\"/>"
             "<numFmt numFmtId=\"167\" formatCode=\"[$-804]yyyy/m/d\\ h:mm\"/>"
             "</numFmts><cellStyleXfs><xf numFmtId=\"14\"/></cellStyleXfs><cellXfs>"
             "<xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"164\"/><xf numFmtId=\"165\"/>"
             "<xf numFmtId=\"166\"/><xf numFmtId=\"167\"/><xf numFmtId=\"31\"/><xf "
             "numFmtId=\"20\"/>"
             "</cellXfs></styleSheet>"},
        {"xl/strings.xml",
         "<sst " + kMain +
             "><si><r><t>张</t></r><r><t xml:space=\"preserve\">三 </t></r>"
             "<rPh sb=\"0\" eb=\"2\"><t>zhang san</t></rPh></si><si><t>a_x000D_b</t></si></sst>"},
        {"xl/worksheets/s1.xml",
         "<worksheet " + kMain + "><sheetData>" + sheetData + "</sheetData></worksheet>"},
    });
}

// A workbook of several sheets, each with its own name in A1.
QByteArray multiSheetXlsx(const QStringList& names)
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("multi.xlsx"));
    lxw_workbook* wb = workbook_new(path.constData());
    for (const QString& name : names) {
        lxw_worksheet* ws = workbook_add_worksheet(wb, name.toUtf8().constData());
        worksheet_write_string(ws, 0, 0, name.toUtf8().constData(), nullptr);
    }
    workbook_close(wb);
    return readFile(QString::fromLocal8Bit(path));
}

// Every truncation and seeded byte changes: either a sheet of the promised shape or an error.
void survivesDamage(const QByteArray& good, const QString& format)
{
    QRandomGenerator rng(20241211);
    QList<QByteArray> damaged;
    for (qsizetype cut = 0; cut < good.size(); ++cut)
        damaged.append(good.left(cut));
    for (int trial = 0; trial < 300; ++trial) {
        QByteArray bad = good;
        for (int flips = 1 + int(rng.bounded(4)); flips > 0; --flips)
            bad[rng.bounded(int(bad.size()))] = char(rng.bounded(256));
        damaged.append(bad);
    }
    for (const QByteArray& bytes : std::as_const(damaged)) {
        QString error;
        const std::optional<Sheet> sheet = readWorkbookBytes(bytes, format, {}, &error);
        if (!sheet) {
            QVERIFY(!error.isEmpty());
            continue;
        }
        for (const QVariantList& row : sheet->rows)
            QCOMPARE(row.size(), sheet->header.size());
    }
}

const Sheet kStudents{
    "学生名单",
    {"学号", "姓名", "班级", "出生日期", "身高", "成绩"},
    {{qint64(20210101), "张三", "体育1班", QDate(2003, 5, 14), 175.5, qint64(85)},
     {qint64(20210102), "李四", "体育1班", QDate(2002, 11, 30), qint64(168), 92.5},
     {qint64(20210203), "王小五", "体育2班,甲", QDate(2003, 1, 2), 181.25, qint64(78)}}};

} // namespace

class TestSpreadsheet : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void xlsxRoundTripAndOtherReader()
    {
        const QString path = m_dir.filePath("round.xlsx");
        const QStringList header{"姓名", "学号",     "成绩", "身高",
                                 "生日", "测试时间", "及格", "备注"};
        const QList<QVariantList> rows{
            {"张三", "0012", 85, 172.5, QDate(2003, 5, 14),
             QDateTime(QDate(2024, 3, 5), QTime(8, 30, 15)), true, "_x0041_ 原样"},
            {"李四", "0013", qint64(-7), 0.1, QVariant(), QVariant(), false, ""},
            // Wider than the header: the extra cell gets a nameless column, nothing is dropped.
            {"王五", qint64(123456789012345678), 60.0, QVariant(), QVariant(), QVariant(),
             QVariant(), QVariant(), "多出"},
            {"赵六"},
        };
        QString error;
        QVERIFY2(writeXlsx(path, "成绩单", header, rows, &error), qPrintable(error));

        const Sheet expected{
            "成绩单",
            header + QStringList{""},
            {{"张三", "0012", qint64(85), 172.5, QDate(2003, 5, 14),
              QDateTime(QDate(2024, 3, 5), QTime(8, 30, 15)), true, "_x0041_ 原样", QVariant()},
             {"李四", "0013", qint64(-7), 0.1, QVariant(), QVariant(), false, QVariant(),
              QVariant()},
             // 18 digits would be rounded by Excel, so they are kept as text.
             {"王五", "123456789012345678", qint64(60), QVariant(), QVariant(), QVariant(),
              QVariant(), QVariant(), "多出"},
             {"赵六", QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(),
              QVariant(), QVariant()}}};
        compareSheet(readWorkbook(path, "成绩单", &error), error, expected);

        // An independent reader sees the same cells.
        const QString xlsx2csv = QStandardPaths::findExecutable("xlsx2csv");
        QVERIFY2(!xlsx2csv.isEmpty(), "xlsx2csv is not installed (scripts/deps.sh)");
        QProcess p;
        p.start(xlsx2csv, {path});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(
            QString::fromUtf8(p.readAllStandardOutput()),
            QString("姓名,学号,成绩,身高,生日,测试时间,及格,备注,\n"
                    "张三,0012,85,172.5,2003-05-14,2024-03-05 08:30:15,TRUE,_x005F_x0041_ 原样,\n"
                    "李四,0013,-7,0.1,,,FALSE,,\n"
                    "王五,123456789012345678,60,,,,,,多出\n"
                    "赵六,,,,,,,,\n"));

        // Writing again replaces the file.
        QVERIFY2(writeXlsx(path, "成绩单", {"新"}, {{1}}, &error), qPrintable(error));
        compareSheet(readWorkbook(path, {}, &error), error, Sheet{"成绩单", {"新"}, {{qint64(1)}}});
    }

    void writeFailuresKeepTheOldFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("sheetName");
        QTest::addColumn<QVariant>("cell");
        QTest::newRow("bad sheet name") << "keep.xlsx"
                                        << "a/b" << QVariant("x");
        QTest::newRow("text too long") << "keep.xlsx"
                                       << "S" << QVariant(QString(40000, u'字'));
        QTest::newRow("missing folder") << "no/such/dir/x.xlsx"
                                        << "S" << QVariant("x");
    }
    void writeFailuresKeepTheOldFile()
    {
        QFETCH(QString, file);
        QFETCH(QString, sheetName);
        QFETCH(QVariant, cell);
        const QString path = m_dir.filePath(file);
        QFile::remove(path);
        const bool existing = !file.contains('/');
        if (existing)
            writeFile(path, "old content");
        QString error;
        QVERIFY(!writeXlsx(path, sheetName, {"h"}, {{cell}}, &error));
        QVERIFY2(error.contains(path), qPrintable(error));
        if (existing)
            QCOMPARE(readFile(path), QByteArray("old content"));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).filter(".tmp"),
                 QStringList());
    }

    void xlsxCellKinds_data()
    {
        QTest::addColumn<QByteArray>("cell");
        QTest::addColumn<bool>("date1904");
        QTest::addColumn<QVariant>("expected");
        auto row = [](const char* name, const QByteArray& cell, const QVariant& expected,
                      bool date1904 = false) {
            QTest::newRow(name) << cell << date1904 << expected;
        };
        row("rich shared string without phonetic guide", "<c r=\"A2\" t=\"s\"><v>0</v></c>",
            "张三 ");
        row("escaped control character", "<c r=\"A2\" t=\"s\"><v>1</v></c>", "a\rb");
        row("inline string", "<c r=\"A2\" t=\"inlineStr\"><is><t>内联</t></is></c>", "内联");
        row("formula text", "<c r=\"A2\" t=\"str\"><f>A2&amp;\"\"</f><v>abc</v></c>", "abc");
        row("error", "<c r=\"A2\" t=\"e\"><v>#DIV/0!</v></c>", "#DIV/0!");
        row("boolean", "<c r=\"A2\" t=\"b\"><v>0</v></c>", false);
        row("ISO date", "<c r=\"A2\" t=\"d\"><v>2024-03-05</v></c>", QDate(2024, 3, 5));
        row("whole number", "<c r=\"A2\"><v>-42</v></c>", qint64(-42));
        row("exponent is a double", "<c r=\"A2\"><v>1.5E3</v></c>", 1500.0);
        row("plain custom format", "<c r=\"A2\" s=\"4\"><v>1234.5</v></c>", 1234.5);
        row("built-in date 14", "<c r=\"A2\" s=\"1\"><v>45356</v></c>", QDate(2024, 3, 5));
        row("first day", "<c r=\"A2\" s=\"1\"><v>1</v></c>", QDate(1900, 1, 1));
        row("after the phantom 29 Feb 1900", "<c r=\"A2\" s=\"1\"><v>61</v></c>",
            QDate(1900, 3, 1));
        row("1904 system", "<c r=\"A2\" s=\"1\"><v>0</v></c>", QDate(1904, 1, 1), true);
        row("Chinese custom date", "<c r=\"A2\" s=\"2\"><v>45356</v></c>", QDate(2024, 3, 5));
        row("Chinese built-in date 31", "<c r=\"A2\" s=\"6\"><v>45356</v></c>", QDate(2024, 3, 5));
        row("date with time", "<c r=\"A2\" s=\"5\"><v>45356.5</v></c>",
            QDateTime(QDate(2024, 3, 5), QTime(12, 0)));
        row("time of day", "<c r=\"A2\" s=\"7\"><v>0.75</v></c>", QTime(18, 0));
        row("elapsed time over a day stays a number", "<c r=\"A2\" s=\"3\"><v>1.5</v></c>", 1.5);
        row("empty styled cell", "<c r=\"A2\" s=\"1\"/><c r=\"B2\"><v>1</v></c>", QVariant());
    }
    void xlsxCellKinds()
    {
        QFETCH(QByteArray, cell);
        QFETCH(bool, date1904);
        QFETCH(QVariant, expected);
        // Below a header row: the header is always text, data cells keep their type.
        const QByteArray rows = "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>h</t></is></c>"
                                "</row><row r=\"2\">" +
                                cell + "</row>";
        QString error;
        const std::optional<Sheet> sheet =
            readWorkbookBytes(handMadeXlsx(rows, date1904), "xlsx", {}, &error);
        QVERIFY2(sheet, qPrintable(error));
        QCOMPARE(sheet->name, QString("表"));
        QCOMPARE(sheet->rows.size(), 1);
        QCOMPARE(typed(sheet->rows[0][0]), typed(expected));
    }

    void hostileXlsx_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QByteArray a1 =
            "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>x</t></is></c></row>";
        QTest::newRow("far corner")
            << handMadeXlsx(a1 + "<row r=\"1048576\"><c r=\"XFD1048576\"><v>1</v></c></row>")
            << "5000000";
        QTest::newRow("column past XFD")
            << handMadeXlsx("<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>") << "XFE1";
        QTest::newRow("row zero") << handMadeXlsx("<row r=\"0\"><c><v>1</v></c></row>") << "行号";
        QTest::newRow("missing shared string")
            << handMadeXlsx("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>7</v></c></row>") << "共享字符串";
        QTest::newRow("unclosed element")
            << handMadeXlsx("<row r=\"1\"><c r=\"A1\"><v>1</v></row>") << "XML";
        QTest::newRow("entity expansion")
            << makeZip({{"xl/workbook.xml",
                         "<!DOCTYPE w [<!ENTITY a \"aaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>"
                         "<workbook><sheets><sheet name=\"&b;\"/></sheets></workbook>"}})
            << "DTD";
        QTest::newRow("not a zip") << QByteArray("PK\x03\x04 but nothing else") << "zip";
        QTest::newRow("old format under xlsx name")
            << readFile(QStringLiteral(ORVANE_FIXTURES "/students.xls")) << ".xls";
        QTest::newRow("no workbook part") << makeZip({{"a.txt", "x"}}) << "xl/workbook.xml";
    }
    void hostileXlsx()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QVERIFY(!bytes.isEmpty());
        QString error;
        QVERIFY(!readWorkbookBytes(bytes, "xlsx", {}, &error));
        QVERIFY2(error.contains(message), qPrintable(error));
    }

    void zipBombIsRefused()
    {
        // A sheet part that unpacks to just over 256 MiB (it packs to about 1 MiB).
        const QString path = m_dir.filePath("bomb.xlsx");
        zipFile zf = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
        QVERIFY(zf);
        const QByteArray book =
            "<workbook " + kMain + "><sheets><sheet name=\"s\" r:id=\"rId1\"/></sheets></workbook>";
        const QByteArray rels =
            "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
            "<Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"s.xml\"/></Relationships>";
        const QList<std::pair<const char*, QByteArray>> small{{"xl/workbook.xml", book},
                                                              {"xl/_rels/workbook.xml.rels", rels}};
        zip_fileinfo info{};
        for (const auto& [name, content] : small) {
            zipOpenNewFileInZip64(zf, name, &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 6,
                                  0);
            zipWriteInFileInZip(zf, content.constData(), unsigned(content.size()));
            zipCloseFileInZip(zf);
        }
        zipOpenNewFileInZip64(zf, "xl/s.xml", &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 1,
                              0);
        const QByteArray spaces(1 << 20, ' ');
        for (int i = 0; i < 257; ++i)
            zipWriteInFileInZip(zf, spaces.constData(), unsigned(spaces.size()));
        zipCloseFileInZip(zf);
        zipClose(zf, nullptr);

        QString error;
        QVERIFY(!readWorkbook(path, {}, &error));
        QVERIFY2(error.contains("256 MiB") && error.contains(path), qPrintable(error));
    }

    void sheetChoice_data()
    {
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("exact") << "成绩"
                               << "成绩";
        QTest::newRow("ignoring case") << "BETA"
                                       << "beta";
        QTest::newRow("missing falls back to the first") << "无此表"
                                                         << "Alpha";
        QTest::newRow("none asked") << ""
                                    << "Alpha";
    }
    void sheetChoice()
    {
        QFETCH(QString, wanted);
        QFETCH(QString, chosen);
        const QString path = m_dir.filePath("multi.XLSX");
        writeFile(path, multiSheetXlsx({"Alpha", "beta", "成绩"}));
        QString error;
        compareSheet(readWorkbook(path, wanted, &error), error, Sheet{chosen, {chosen}, {}});
    }

    void csvEncodingsAndQuoting_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QString text = "学号,姓名,备注\r\n"
                             "0012,张三,\"他说\"\"好\"\",然后走了\"\r\n"
                             "0013,\"李,四\",\"两行\r\n文字\"\r\n"
                             ",,\r\n"
                             "85,王五,";
        const QByteArray utf8 = text.toUtf8();
        QStringEncoder gb("GB18030");
        QTest::newRow("UTF-8") << utf8;
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + utf8;
        QTest::newRow("GB18030") << QByteArray(gb.encode(text));
        QTest::newRow("LF line ends") << QByteArray(utf8).replace("\r\n", "\n");
    }
    void csvEncodingsAndQuoting()
    {
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath("名单.CSV");
        writeFile(path, bytes);
        const bool lf = !bytes.contains('\r');
        const Sheet expected{"名单",
                             {"学号", "姓名", "备注"},
                             {{"0012", "张三", "他说\"好\",然后走了"},
                              {"0013", "李,四", lf ? "两行\n文字" : "两行\r\n文字"},
                              {QVariant(), QVariant(), QVariant()},
                              {"85", "王五", QVariant()}}};
        QString error;
        compareSheet(readWorkbook(path, {}, &error), error, expected);
    }

    void csvUnterminatedQuoteIsAnError()
    {
        const QString path = m_dir.filePath("cut.csv");
        writeFile(path, "a,b\n1,\"never closed\n2,3\n");
        QString error;
        QVERIFY(!readWorkbook(path, {}, &error));
        QVERIFY2(error.contains(path) && error.contains("第 2 行"), qPrintable(error));
    }

    void xlsFromLibreOffice()
    {
        const QString fixture = QStringLiteral(ORVANE_FIXTURES "/students.xls");
        QVERIFY(!fixture.isEmpty());
        const QString upper = m_dir.filePath("STUDENTS.XLS");
        QFile::remove(upper);
        QVERIFY(QFile::copy(fixture, upper));
        QString error;
        compareSheet(readWorkbook(upper, "学生名单", &error), error, kStudents);
        compareSheet(readWorkbook(upper, "other", &error), error, kStudents);
        compareSheet(readWorkbookBytes(readFile(fixture), "xls", {}, &error), error, kStudents);
    }

    void damagedFilesNeverCrash()
    {
        const QString path = m_dir.filePath("small.xlsx");
        QString error;
        QVERIFY2(writeXlsx(path, "S", {"名", "数"}, {{"甲", 1}, {"乙", 2.5}}, &error),
                 qPrintable(error));
        const QByteArray xlsx = readFile(path);
        compareSheet(readWorkbookBytes(xlsx, "xlsx", {}, &error), error,
                     Sheet{"S", {"名", "数"}, {{"甲", qint64(1)}, {"乙", 2.5}}});
        survivesDamage(xlsx, "xlsx");

        const QByteArray xls = readFile(QStringLiteral(ORVANE_FIXTURES "/students.xls"));
        QVERIFY(!xls.isEmpty());
        compareSheet(readWorkbookBytes(xls, "xls", {}, &error), error, kStudents);
        survivesDamage(xls, "xls");
    }

    void unknownExtensionAndMissingFile()
    {
        QString error;
        QVERIFY(!readWorkbook(m_dir.filePath("a.ods"), {}, &error));
        QVERIFY2(error.contains("a.ods"), qPrintable(error));
        for (const char* name : {"missing.xlsx", "missing.xls", "missing.csv"}) {
            error.clear();
            QVERIFY(!readWorkbook(m_dir.filePath(name), {}, &error));
            QVERIFY2(error.contains(name), qPrintable(error));
        }
    }
};

QTEST_GUILESS_MAIN(TestSpreadsheet)
#include "tst_spreadsheet.moc"
