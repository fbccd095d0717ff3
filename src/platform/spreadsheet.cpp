#include "spreadsheet.h"

#include "xls_reader.h"

#include <QBuffer>
#include <QDate>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <QTime>
#include <QUrl>
#include <QXmlStreamReader>

#include <freexl.h>
#include <unzip.h>
#include <xlsxwriter.h>

#if __has_include(<sanitizer/common_interface_defs.h>)
#include <sanitizer/common_interface_defs.h>
#endif

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace {

// Hostile files must not exhaust memory: every zip part and every csv file is capped, and so
// is the number of cells a sheet may expand to once padded.
constexpr qint64 kMaxPartBytes = qint64(256) << 20;
constexpr qint64 kMaxCells = 5'000'000;
constexpr qint64 kMaxStyles = 1'000'000;
constexpr int kMaxRows = 1'048'576; // Excel's own limits, for cell references
constexpr int kMaxColumns = 16'384;
constexpr qint64 kMsPerDay = 86'400'000;

// Internal failure; the public functions turn it into the message with the file name.
struct ReadError
{
    QString message;
};

[[noreturn]] void fail(const QString& message)
{
    throw ReadError{message};
}

[[noreturn]] void failTooLarge()
{
    fail(QStringLiteral("工作表超过 %1 个单元格,文件过大或已损坏").arg(kMaxCells));
}

void setError(QString* error, const QString& source, const QString& message)
{
    if (error)
        *error = QStringLiteral("无法读取“%1”:%2").arg(source, message);
}

bool isEmptyCell(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return true;
    return value.typeId() == QMetaType::QString && value.toString().isEmpty();
}

QString numberText(double value)
{
    return QString::number(value, 'g', 15);
}

QString cellText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::Double:
        return numberText(value.toDouble());
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate);
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case QMetaType::QTime:
        return value.toTime().toString(QStringLiteral("HH:mm:ss"));
    default:
        return isEmptyCell(value) ? QString() : value.toString();
    }
}

// Collects the non-empty cells of a sheet in any order and lays them out as header + rows.
class CellGrid
{
public:
    void add(qint64 row, qint64 col, QVariant value)
    {
        if (isEmptyCell(value))
            return;
        // One far cell already makes the padded table too large.
        if (row >= kMaxCells || col >= kMaxCells || (row + 1) * (col + 1) > kMaxCells ||
            qint64(m_cells.size()) >= kMaxCells)
            failTooLarge();
        m_cells.push_back({int(row), int(col), std::move(value)});
        m_rows = std::max(m_rows, row + 1);
        m_cols = std::max(m_cols, col + 1);
    }

    Sheet take(const QString& name)
    {
        Sheet sheet;
        sheet.name = name;
        if (m_cells.empty())
            return sheet;
        // Padding may expand a few far-apart cells into a huge table.
        if (m_rows * m_cols > kMaxCells)
            failTooLarge();
        QList<QVariantList> grid(m_rows, QVariantList(m_cols));
        for (Cell& cell : m_cells)
            grid[cell.row][cell.col] = std::move(cell.value); // a later duplicate wins
        m_cells.clear();
        sheet.header.reserve(m_cols);
        for (const QVariant& value : std::as_const(grid.first()))
            sheet.header.append(cellText(value));
        grid.removeFirst();
        sheet.rows = std::move(grid);
        return sheet;
    }

private:
    struct Cell
    {
        int row;
        int col;
        QVariant value;
    };
    std::vector<Cell> m_cells;
    qint64 m_rows = 0;
    qint64 m_cols = 0;
};

// Exact name first, then ignoring case, else the first sheet.
qsizetype chooseSheet(const QStringList& names, const QString& wanted)
{
    if (names.isEmpty())
        fail(QStringLiteral("工作簿中没有工作表"));
    if (!wanted.isEmpty()) {
        if (const qsizetype exact = names.indexOf(wanted); exact >= 0)
            return exact;
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (names[i].compare(wanted, Qt::CaseInsensitive) == 0)
                return i;
        }
    }
    return 0;
}

// ---- csv ----

QString decodeCsv(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes); // drops a leading BOM
    if (!utf8.hasError())
        return text;
    QStringDecoder gb18030("GB18030");
    if (!gb18030.isValid())
        fail(QStringLiteral("系统不支持 GB18030 编码"));
    return gb18030.decode(bytes);
}

Sheet readCsv(const QByteArray& bytes, const QString& name)
{
    if (bytes.size() > kMaxPartBytes)
        fail(QStringLiteral("文件超过 256 MiB"));
    const QString text = decodeCsv(bytes);
    CellGrid grid;
    qint64 row = 0;
    qint64 col = 0;
    qint64 quoteLine = 0;
    qint64 line = 1;
    QString field;
    bool inQuotes = false;
    bool rowStarted = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar ch = text[i];
        if (inQuotes) {
            if (ch == u'"') {
                if (i + 1 < n && text[i + 1] == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                if (ch == u'\n')
                    ++line;
                field += ch;
            }
            continue;
        }
        rowStarted = true;
        if (ch == u'"' && field.isEmpty()) {
            inQuotes = true;
            quoteLine = line;
        } else if (ch == u',') {
            grid.add(row, col++, field);
            field.clear();
        } else if (ch == u'\r' || ch == u'\n') {
            if (ch == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            grid.add(row++, col, field);
            field.clear();
            col = 0;
            ++line;
            rowStarted = false;
        } else {
            field += ch; // a stray quote inside an unquoted field is kept as text
        }
    }
    // An open quote at the end means the file was cut or is not csv; the rest of the file would
    // otherwise end up in one cell.
    if (inQuotes)
        fail(QStringLiteral("第 %1 行的引号没有结束").arg(quoteLine));
    if (rowStarted)
        grid.add(row, col, field);
    return grid.take(name);
}

// ---- zip (xlsx container) ----

// minizip reads through these callbacks from any QIODevice, so files and bytes share one path.
voidpf ZCALLBACK zipOpen(voidpf opaque, const void*, int)
{
    return opaque;
}

uLong ZCALLBACK zipRead(voidpf, voidpf stream, void* buf, uLong size)
{
    const qint64 n = static_cast<QIODevice*>(stream)->read(static_cast<char*>(buf), qint64(size));
    return n > 0 ? uLong(n) : 0;
}

uLong ZCALLBACK zipWrite(voidpf, voidpf, const void*, uLong)
{
    return 0;
}

ZPOS64_T ZCALLBACK zipTell(voidpf, voidpf stream)
{
    return ZPOS64_T(static_cast<QIODevice*>(stream)->pos());
}

long ZCALLBACK zipSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto* device = static_cast<QIODevice*>(stream);
    const qint64 size = device->size();
    qint64 base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        base = device->pos();
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        base = size;
    if (offset > ZPOS64_T(size) || base + qint64(offset) > size)
        return -1;
    return device->seek(base + qint64(offset)) ? 0 : -1;
}

int ZCALLBACK zipClose(voidpf, voidpf)
{
    return 0;
}

int ZCALLBACK zipError(voidpf, voidpf)
{
    return 0;
}

// Part names are compared as OPC does: without case, with "/" separators.
QString partKey(QString name)
{
    name.replace(u'\\', u'/');
    while (name.startsWith(u'/'))
        name.remove(0, 1);
    return name.toLower();
}

class ZipArchive
{
public:
    explicit ZipArchive(QIODevice& device)
    {
        zlib_filefunc64_def io{};
        io.zopen64_file = zipOpen;
        io.zread_file = zipRead;
        io.zwrite_file = zipWrite;
        io.ztell64_file = zipTell;
        io.zseek64_file = zipSeek;
        io.zclose_file = zipClose;
        io.zerror_file = zipError;
        io.opaque = &device;
        m_zip = unzOpen2_64("workbook", &io);
        if (!m_zip) {
            device.seek(0);
            if (device.peek(4) == QByteArray("\xD0\xCF\x11\xE0", 4))
                fail(QStringLiteral("这是加密的或旧格式(.xls)的工作簿,不是 xlsx 文件"));
            fail(QStringLiteral("不是有效的 xlsx 文件(无法打开 zip 包)"));
        }
        char name[1024];
        for (int rc = unzGoToFirstFile(m_zip); rc == UNZ_OK; rc = unzGoToNextFile(m_zip)) {
            unz_file_info64 info{};
            if (unzGetCurrentFileInfo64(m_zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) !=
                UNZ_OK)
                break;
            const auto length = qsizetype(std::min<uLong>(info.size_filename, sizeof name - 1));
            unz64_file_pos pos{};
            if (unzGetFilePos64(m_zip, &pos) != UNZ_OK)
                break;
            const QString key = partKey(QString::fromUtf8(name, length));
            if (!m_entries.contains(key))
                m_entries.insert(key, pos);
        }
    }
    ~ZipArchive()
    {
        if (m_zip)
            unzClose(m_zip);
    }
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // nullopt when there is no such part; a damaged or oversized part is an error.
    std::optional<QByteArray> read(const QString& part)
    {
        const auto it = m_entries.constFind(partKey(part));
        if (it == m_entries.constEnd())
            return std::nullopt;
        unz64_file_pos pos = *it;
        unz_file_info64 info{};
        if (unzGoToFilePos64(m_zip, &pos) != UNZ_OK ||
            unzGetCurrentFileInfo64(m_zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            fail(damaged(part));
        if (info.flag & 1)
            fail(QStringLiteral("部件 %1 已加密").arg(part));
        if (info.uncompressed_size > ZPOS64_T(kMaxPartBytes))
            fail(tooLarge(part));
        if (unzOpenCurrentFile(m_zip) != UNZ_OK)
            fail(damaged(part));
        QByteArray bytes;
        char buffer[65536];
        for (;;) {
            const int n = unzReadCurrentFile(m_zip, buffer, sizeof buffer);
            if (n == 0)
                break;
            if (n < 0 || bytes.size() + n > kMaxPartBytes) {
                unzCloseCurrentFile(m_zip);
                fail(n < 0 ? damaged(part) : tooLarge(part));
            }
            bytes.append(buffer, n);
        }
        // Also checks the CRC now that the whole part was read.
        if (unzCloseCurrentFile(m_zip) != UNZ_OK)
            fail(damaged(part));
        return bytes;
    }

private:
    static QString damaged(const QString& part)
    {
        return QStringLiteral("部件 %1 已损坏").arg(part);
    }
    static QString tooLarge(const QString& part)
    {
        return QStringLiteral("部件 %1 解压后超过 256 MiB").arg(part);
    }

    unzFile m_zip = nullptr;
    QHash<QString, unz64_file_pos> m_entries;
};

// ---- xlsx parts ----

class XmlPart
{
public:
    XmlPart(const QByteArray& bytes, const QString& part) : r(bytes), m_part(part) {}

    // The next start element anywhere in the document; false at its end.
    bool nextStart()
    {
        while (!r.atEnd()) {
            const QXmlStreamReader::TokenType token = r.readNext();
            // Workbook parts never carry a DTD; refusing one rules out entity expansion.
            if (token == QXmlStreamReader::DTD)
                fail(QStringLiteral("部件 %1 含有 DTD").arg(m_part));
            if (token == QXmlStreamReader::StartElement)
                return true;
        }
        check();
        return false;
    }

    void check() const
    {
        if (r.hasError())
            fail(QStringLiteral("部件 %1 不是有效的 XML(%2)").arg(m_part, r.errorString()));
    }

    QStringView attr(const char* name) const { return r.attributes().value(QLatin1String(name)); }

    QXmlStreamReader r;

private:
    QString m_part;
};

struct Relationship
{
    QString id;
    QString type;
    QString target;
};

QString directoryOf(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return slash < 0 ? QString() : part.left(slash + 1);
}

// A relationship target, relative to the source part's folder unless it starts with "/".
QString resolveTarget(const QString& baseDir, const QString& target)
{
    QString path = QUrl::fromPercentEncoding(target.toUtf8());
    path.replace(u'\\', u'/');
    path = path.startsWith(u'/') ? path.mid(1) : baseDir + path;
    QStringList parts;
    for (const QString& piece : path.split(u'/', Qt::SkipEmptyParts)) {
        if (piece == u"..") {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (piece != u".") {
            parts.append(piece);
        }
    }
    return parts.join(u'/');
}

QList<Relationship> readRelationships(ZipArchive& zip, const QString& sourcePart)
{
    const QString relsPart = directoryOf(sourcePart) + QStringLiteral("_rels/") +
                             sourcePart.mid(sourcePart.lastIndexOf(u'/') + 1) +
                             QStringLiteral(".rels");
    QList<Relationship> result;
    const std::optional<QByteArray> bytes = zip.read(relsPart);
    if (!bytes)
        return result;
    XmlPart xml(*bytes, relsPart);
    while (xml.nextStart()) {
        if (xml.r.name() != u"Relationship" ||
            xml.attr("TargetMode").compare(u"External", Qt::CaseInsensitive) == 0)
            continue;
        result.append({xml.attr("Id").toString(), xml.attr("Type").toString(),
                       resolveTarget(directoryOf(sourcePart), xml.attr("Target").toString())});
    }
    return result;
}

QString targetOfType(const QList<Relationship>& rels, QStringView typeSuffix)
{
    for (const Relationship& rel : rels) {
        if (rel.type.endsWith(typeSuffix))
            return rel.target;
    }
    return {};
}

// How a style shows numbers; only dates and times change the cell's type.
enum class NumberKind { Plain, Date, DateTime, Time };

// Built-in formats: 14-22 everywhere, 45-47 minutes/seconds, and the East Asian date and time
// formats 27-36 / 50-58 that Chinese Excel uses without writing them into the file.
NumberKind builtinKind(int id)
{
    if ((id >= 14 && id <= 17) || (id >= 27 && id <= 31) || id == 36 || (id >= 50 && id <= 54) ||
        id == 57 || id == 58)
        return NumberKind::Date;
    if ((id >= 18 && id <= 21) || (id >= 32 && id <= 35) || (id >= 45 && id <= 47) || id == 55 ||
        id == 56)
        return NumberKind::Time;
    if (id == 22)
        return NumberKind::DateTime;
    return NumberKind::Plain;
}

// A custom format is a date when its first section names years, days or months; "m" next to
// hours or seconds means minutes. Quoted text, escapes and [..] blocks (colours, locales) are
// not format letters, except the elapsed-time blocks [h], [m], [s].
NumberKind customKind(QStringView code)
{
    bool year = false, month = false, day = false, hour = false, second = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i].toLower();
        if (c == u';') {
            break;
        } else if (c == u'"') {
            const qsizetype close = code.indexOf(u'"', i + 1);
            i = close < 0 ? code.size() : close;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;
        } else if (c == u'[') {
            const qsizetype close = code.indexOf(u']', i + 1);
            const QStringView inner = code.mid(i + 1, (close < 0 ? code.size() : close) - i - 1);
            if (!inner.isEmpty() && inner.count(inner[0]) == inner.size()) {
                const QChar e = inner[0].toLower();
                hour |= e == u'h';
                second |= e == u's' || e == u'm';
            }
            i = close < 0 ? code.size() : close;
        } else if (code.mid(i).startsWith(u"am/pm", Qt::CaseInsensitive)) {
            i += 4;
        } else if (code.mid(i).startsWith(u"a/p", Qt::CaseInsensitive)) {
            i += 2;
        } else {
            year |= c == u'y';
            month |= c == u'm';
            day |= c == u'd';
            hour |= c == u'h';
            second |= c == u's';
        }
    }
    const bool time = hour || second;
    const bool date = year || day || (month && !time);
    if (date && time)
        return NumberKind::DateTime;
    if (date)
        return NumberKind::Date;
    return time ? NumberKind::Time : NumberKind::Plain;
}

QList<NumberKind> readStyles(const QByteArray& bytes, const QString& part)
{
    QHash<int, QString> customFormats;
    QList<int> xfFormats;
    XmlPart xml(bytes, part);
    while (xml.nextStart()) {
        if (xml.r.name() == u"numFmt") {
            customFormats.insert(xml.attr("numFmtId").toInt(), xml.attr("formatCode").toString());
        } else if (xml.r.name() == u"cellXfs") {
            while (xml.r.readNextStartElement()) {
                if (xml.r.name() == u"xf") {
                    if (xfFormats.size() >= kMaxStyles)
                        fail(QStringLiteral("部件 %1 的样式过多").arg(part));
                    xfFormats.append(xml.attr("numFmtId").toInt());
                }
                xml.r.skipCurrentElement();
            }
        }
    }
    xml.check();
    QList<NumberKind> kinds;
    kinds.reserve(xfFormats.size());
    for (int id : std::as_const(xfFormats)) {
        const auto custom = customFormats.constFind(id);
        kinds.append(custom != customFormats.constEnd() ? customKind(*custom) : builtinKind(id));
    }
    return kinds;
}

// Characters XML cannot carry are stored as _xHHHH_.
QString unescapeXString(QString text)
{
    qsizetype from = 0;
    while ((from = text.indexOf(QStringLiteral("_x"), from)) >= 0) {
        bool ok = false;
        const ushort code = from + 7 <= text.size() && text[from + 6] == u'_'
                                ? text.mid(from + 2, 4).toUShort(&ok, 16)
                                : 0;
        if (ok)
            text.replace(from, 7, QChar(code));
        ++from;
    }
    return text;
}

// The text of an <si> or <is>: its <t>, or the <t> of its runs; phonetic guides are not text.
QString readRichText(QXmlStreamReader& r)
{
    QString text;
    while (r.readNextStartElement()) {
        if (r.name() == u"t") {
            text += r.readElementText();
        } else if (r.name() == u"r") {
            while (r.readNextStartElement()) {
                if (r.name() == u"t")
                    text += r.readElementText();
                else
                    r.skipCurrentElement();
            }
        } else {
            r.skipCurrentElement();
        }
    }
    return unescapeXString(text);
}

QStringList readSharedStrings(const QByteArray& bytes, const QString& part)
{
    QStringList strings;
    XmlPart xml(bytes, part);
    while (xml.nextStart()) {
        if (xml.r.name() == u"si") {
            if (strings.size() >= kMaxCells)
                failTooLarge();
            strings.append(readRichText(xml.r));
        }
    }
    xml.check();
    return strings;
}

struct WorkbookEntry
{
    QString name;
    QString relId;
};

struct SheetContext
{
    QStringList sharedStrings;
    QList<NumberKind> styles;
    bool date1904 = false;
};

// "B12" -> row 11, column 1.
bool parseCellRef(QStringView ref, qint64& row, qint64& col)
{
    qsizetype i = 0;
    qint64 c = 0;
    for (; i < ref.size() && i < 4; ++i) {
        const char16_t ch = ref[i].toUpper().unicode();
        if (ch < u'A' || ch > u'Z')
            break;
        c = c * 26 + (ch - u'A' + 1);
    }
    if (i == 0 || c > kMaxColumns)
        return false;
    qint64 r = 0;
    const qsizetype digitsFrom = i;
    for (; i < ref.size() && i - digitsFrom < 8; ++i) {
        const char16_t ch = ref[i].unicode();
        if (ch < u'0' || ch > u'9')
            return false;
        r = r * 10 + (ch - u'0');
    }
    if (i != ref.size() || r < 1 || r > kMaxRows)
        return false;
    row = r - 1;
    col = c - 1;
    return true;
}

QVariant serialToDate(double serial, NumberKind kind, bool date1904)
{
    // Beyond 9999-12-31 or negative: not a date Excel would show, keep the number.
    if (!(serial >= 0 && serial < 2958466))
        return serial;
    const qint64 total = std::llround(serial * double(kMsPerDay));
    const qint64 days = total / kMsPerDay;
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(total % kMsPerDay));
    // A time of a day or more is a duration ([h]:mm); the number says it best.
    if (kind == NumberKind::Time)
        return days == 0 ? QVariant(time) : QVariant(serial);
    // The 1900 system counts a 29 February 1900 that never was.
    const QDate base =
        date1904 ? QDate(1904, 1, 1) : (days < 60 ? QDate(1899, 12, 31) : QDate(1899, 12, 30));
    const QDate date = base.addDays(days);
    if (kind == NumberKind::Date && time == QTime(0, 0))
        return date;
    return QDateTime(date, time);
}

bool isWholeNumberText(QStringView text)
{
    const qsizetype start = text.startsWith(u'-') ? 1 : 0;
    if (text.size() == start || text.size() - start > 18)
        return false;
    for (qsizetype i = start; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return false;
    }
    return true;
}

QVariant numberCell(const QString& raw, NumberKind kind, bool date1904)
{
    const QString text = raw.trimmed();
    if (text.isEmpty())
        return {};
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return raw; // not a number after all: keep what the file says
    if (kind != NumberKind::Plain)
        return serialToDate(value, kind, date1904);
    if (isWholeNumberText(text))
        return text.toLongLong();
    return value;
}

QVariant readCell(XmlPart& xml, const SheetContext& ctx, const QString& part)
{
    const QString type = xml.attr("t").toString();
    bool styled = false;
    const int style = xml.attr("s").toInt(&styled);
    const NumberKind kind =
        styled && style >= 0 && style < ctx.styles.size() ? ctx.styles[style] : NumberKind::Plain;
    QString raw;
    bool hasValue = false;
    QString inlineText;
    while (xml.r.readNextStartElement()) {
        if (xml.r.name() == u"v") {
            raw = xml.r.readElementText();
            hasValue = true;
        } else if (xml.r.name() == u"is") {
            inlineText = readRichText(xml.r);
        } else {
            xml.r.skipCurrentElement();
        }
    }
    if (type == u"inlineStr")
        return inlineText;
    if (!hasValue)
        return {};
    if (type == u"s") {
        bool ok = false;
        const int index = raw.trimmed().toInt(&ok);
        if (!ok || index < 0 || index >= ctx.sharedStrings.size())
            fail(QStringLiteral("部件 %1 引用了不存在的共享字符串").arg(part));
        return ctx.sharedStrings[index];
    }
    if (type == u"b") {
        const QString t = raw.trimmed();
        if (t == u"1" || t == u"true")
            return true;
        if (t == u"0" || t == u"false")
            return false;
        return raw;
    }
    if (type == u"d") {
        const QString t = raw.trimmed();
        if (t.size() == 10) {
            const QDate date = QDate::fromString(t, Qt::ISODate);
            return date.isValid() ? QVariant(date) : QVariant(raw);
        }
        const QDateTime dateTime = QDateTime::fromString(t, Qt::ISODate);
        return dateTime.isValid() ? QVariant(dateTime) : QVariant(raw);
    }
    if (type == u"str" || type == u"e")
        return unescapeXString(raw);
    if (type.isEmpty() || type == u"n")
        return numberCell(raw, kind, ctx.date1904);
    return raw;
}

void readWorksheet(const QByteArray& bytes, const QString& part, const SheetContext& ctx,
                   CellGrid& grid)
{
    XmlPart xml(bytes, part);
    qint64 row = -1;
    qint64 col = -1;
    bool inSheetData = false;
    while (!xml.r.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.r.readNext();
        if (token == QXmlStreamReader::DTD)
            fail(QStringLiteral("部件 %1 含有 DTD").arg(part));
        if (token == QXmlStreamReader::EndElement && xml.r.name() == u"sheetData")
            inSheetData = false;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.r.name() == u"sheetData") {
            inSheetData = true;
        } else if (inSheetData && xml.r.name() == u"row") {
            const QStringView r = xml.attr("r");
            if (r.isEmpty()) {
                ++row;
            } else {
                bool ok = false;
                row = r.toLongLong(&ok) - 1;
                if (!ok)
                    row = -1;
            }
            if (row < 0 || row >= kMaxRows)
                fail(QStringLiteral("部件 %1 的行号无效").arg(part));
            col = -1;
        } else if (inSheetData && xml.r.name() == u"c") {
            const QStringView ref = xml.attr("r");
            qint64 cellRow = std::max<qint64>(row, 0);
            if (ref.isEmpty()) {
                ++col;
            } else if (!parseCellRef(ref, cellRow, col)) {
                fail(QStringLiteral("部件 %1 的单元格位置“%2”无效").arg(part, ref.toString()));
            }
            if (col >= kMaxColumns)
                fail(QStringLiteral("部件 %1 的列超出范围").arg(part));
            grid.add(cellRow, col, readCell(xml, ctx, part));
        }
    }
    xml.check();
}

Sheet readXlsx(QIODevice& device, const QString& wanted)
{
    ZipArchive zip(device);

    QString workbookPart = targetOfType(readRelationships(zip, QString()), u"/officeDocument");
    if (workbookPart.isEmpty())
        workbookPart = QStringLiteral("xl/workbook.xml");
    const std::optional<QByteArray> workbookXml = zip.read(workbookPart);
    if (!workbookXml)
        fail(QStringLiteral("不是 Excel 工作簿(缺少 %1)").arg(workbookPart));

    QList<WorkbookEntry> entries;
    SheetContext ctx;
    XmlPart xml(*workbookXml, workbookPart);
    while (xml.nextStart()) {
        if (xml.r.name() == u"workbookPr") {
            const QStringView v = xml.attr("date1904");
            ctx.date1904 = v == u"1" || v == u"true";
        } else if (xml.r.name() == u"sheet") {
            WorkbookEntry entry{xml.attr("name").toString(), {}};
            for (const QXmlStreamAttribute& a : xml.r.attributes()) {
                if (a.name() == u"id" && !a.namespaceUri().isEmpty())
                    entry.relId = a.value().toString();
            }
            entries.append(entry);
        }
    }
    QStringList names;
    for (const WorkbookEntry& e : std::as_const(entries))
        names.append(e.name);
    const WorkbookEntry& chosen = entries[chooseSheet(names, wanted)];

    const QList<Relationship> rels = readRelationships(zip, workbookPart);
    QString sheetPart;
    for (const Relationship& rel : rels) {
        if (rel.id == chosen.relId)
            sheetPart = rel.target;
    }
    const std::optional<QByteArray> sheetXml =
        sheetPart.isEmpty() ? std::nullopt : zip.read(sheetPart);
    if (!sheetXml)
        fail(QStringLiteral("工作表“%1”的数据缺失").arg(chosen.name));

    if (const QString part = targetOfType(rels, u"/styles"); !part.isEmpty()) {
        if (const std::optional<QByteArray> bytes = zip.read(part))
            ctx.styles = readStyles(*bytes, part);
    }
    if (const QString part = targetOfType(rels, u"/sharedStrings"); !part.isEmpty()) {
        if (const std::optional<QByteArray> bytes = zip.read(part))
            ctx.sharedStrings = readSharedStrings(*bytes, part);
    }
    CellGrid grid;
    readWorksheet(*sheetXml, sheetPart, ctx, grid);
    return grid.take(chosen.name);
}

// ---- xls ----

// FreeXL 1.0.6 copies string data out of damaged records without checking their length (the
// fuzzer found reads far past its buffers). It therefore runs in a child process with CPU and
// memory limits: a hostile .xls costs an error message, never the program. The child streams the
// cells back through a pipe.

enum class XlsFailure : qint32 { Open = 1, Protected, SheetList, SheetRead, TooLarge, Cell };

constexpr int kXlsSeconds = 60;
// Cells of text, plus a little framing per cell.
constexpr qint64 kMaxXlsStream = kMaxPartBytes + kMaxCells * 24;

class ChildWriter
{
public:
    explicit ChildWriter(int fd) : m_fd(fd) {}
    void bytes(const void* data, size_t size)
    {
        const auto* p = static_cast<const char*>(data);
        if (m_used + size > sizeof m_buffer)
            flush();
        if (size > sizeof m_buffer) {
            writeAll(p, size);
            return;
        }
        std::memcpy(m_buffer + m_used, p, size);
        m_used += size;
    }
    template <typename T>
    void value(T v)
    {
        bytes(&v, sizeof v);
    }
    void text(const char* s)
    {
        const quint32 length = s ? quint32(std::strlen(s)) : 0;
        value(length);
        bytes(s, length);
    }
    void flush()
    {
        writeAll(m_buffer, m_used);
        m_used = 0;
    }

private:
    void writeAll(const char* p, size_t size)
    {
        while (size > 0) {
            const ssize_t n = ::write(m_fd, p, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                _exit(3); // the parent is gone or gave up
            p += n;
            size -= size_t(n);
        }
    }

    int m_fd;
    char m_buffer[65536];
    size_t m_used = 0;
};

#if defined(__SANITIZE_ADDRESS__)
#define ORVANE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVANE_ASAN 1
#endif
#endif

void limitChild()
{
    ::signal(SIGPIPE, SIG_IGN);
    const int devNull = ::open("/dev/null", O_WRONLY);
    if (devNull >= 0)
        ::dup2(devNull, STDERR_FILENO);
    rlimit cpu{kXlsSeconds, kXlsSeconds + 5};
    ::setrlimit(RLIMIT_CPU, &cpu);
#ifdef ORVANE_ASAN
    // A fault caught by the sanitizer ends only the child, without the parent's death hooks.
    __sanitizer_set_death_callback([] { _exit(4); });
#else
    // Room for FreeXL's tables on top of what the parent already had mapped.
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1)
            pages = 0;
        std::fclose(statm);
    }
    if (pages > 0) {
        const rlim_t bytes = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (rlim_t(1) << 30);
        rlimit memory{bytes, bytes};
        ::setrlimit(RLIMIT_AS, &memory);
    }
#endif
}

// Runs in the child; never returns.
[[noreturn]] void xlsChild(const QByteArray& file, const QString& wanted, int fd)
{
    limitChild();
    ChildWriter out(fd);
    auto failWith = [&](XlsFailure failure, qint32 detail) {
        out.value('E');
        out.value(qint32(failure));
        out.value(detail);
        out.flush();
        _exit(0);
    };
    try {
        const void* handle = nullptr;
        const int opened = freexl_open(file.constData(), &handle);
        if (opened != FREEXL_OK)
            failWith(XlsFailure::Open, opened);
        unsigned int info = 0;
        if (freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
            info == FREEXL_BIFF_OBFUSCATED)
            failWith(XlsFailure::Protected, 0);
        unsigned int sheetCount = 0;
        if (freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheetCount) != FREEXL_OK ||
            sheetCount == 0)
            failWith(XlsFailure::SheetList, 0);
        QStringList names;
        QList<QByteArray> rawNames;
        for (unsigned int i = 0; i < sheetCount && i <= 0xFFFF; ++i) {
            const char* name = nullptr;
            if (freexl_get_worksheet_name(handle, static_cast<unsigned short>(i), &name) !=
                FREEXL_OK)
                failWith(XlsFailure::SheetList, 0);
            rawNames.append(QByteArray(name ? name : ""));
            names.append(QString::fromUtf8(rawNames.last()));
        }
        const qsizetype index = chooseSheet(names, wanted);
        unsigned int rows = 0;
        unsigned short cols = 0;
        if (freexl_select_active_worksheet(handle, static_cast<unsigned short>(index)) !=
                FREEXL_OK ||
            freexl_worksheet_dimensions(handle, &rows, &cols) != FREEXL_OK)
            failWith(XlsFailure::SheetRead, 0);
        // BIFF8 holds at most 65536 x 256 cells; more is a damaged header.
        if (rows > 65536 || cols > 256)
            failWith(XlsFailure::TooLarge, 0);
        out.value('N');
        out.text(rawNames[index].constData());
        qint64 cells = 0;
        qint64 textBytes = 0;
        for (unsigned int r = 0; r < rows; ++r) {
            for (unsigned short c = 0; c < cols; ++c) {
                FreeXL_CellValue cell{};
                const int rc = freexl_get_cell_value(handle, r, c, &cell);
                if (rc != FREEXL_OK)
                    failWith(XlsFailure::Cell, rc);
                if (cell.type == FREEXL_CELL_NULL)
                    continue;
                const bool isText = cell.type != FREEXL_CELL_INT && cell.type != FREEXL_CELL_DOUBLE;
                if (isText && (!cell.value.text_value || !*cell.value.text_value))
                    continue;
                if (++cells > kMaxCells)
                    failWith(XlsFailure::TooLarge, 0);
                out.value('C');
                out.value(quint32(r));
                out.value(quint32(c));
                out.value(quint8(cell.type));
                if (cell.type == FREEXL_CELL_INT) {
                    out.value(qint64(cell.value.int_value));
                } else if (cell.type == FREEXL_CELL_DOUBLE) {
                    out.value(cell.value.double_value);
                } else {
                    textBytes += qint64(std::strlen(cell.value.text_value));
                    if (textBytes > kMaxPartBytes)
                        failWith(XlsFailure::TooLarge, 0);
                    out.text(cell.value.text_value);
                }
            }
        }
        out.value('Z');
        out.flush();
    } catch (...) {
        _exit(2);
    }
    _exit(0);
}

// Reads what the child wrote; anything short or odd means the child died on the file.
class ChildReader
{
public:
    explicit ChildReader(const QByteArray& bytes) : m_bytes(bytes) {}
    bool atEnd() const { return m_pos >= m_bytes.size(); }
    template <typename T>
    T value()
    {
        T v{};
        if (m_bytes.size() - m_pos < qsizetype(sizeof v))
            failDamaged();
        std::memcpy(&v, m_bytes.constData() + m_pos, sizeof v);
        m_pos += sizeof v;
        return v;
    }
    QString text()
    {
        const auto length = qsizetype(value<quint32>());
        if (m_bytes.size() - m_pos < length)
            failDamaged();
        const QString s = QString::fromUtf8(m_bytes.constData() + m_pos, length);
        m_pos += length;
        return s;
    }
    [[noreturn]] static void failDamaged()
    {
        fail(QStringLiteral("不是有效的 xls 文件,或文件已损坏"));
    }

private:
    const QByteArray& m_bytes;
    qsizetype m_pos = 0;
};

QVariant xlsValue(quint8 type, ChildReader& in)
{
    if (type == FREEXL_CELL_INT)
        return in.value<qint64>();
    if (type == FREEXL_CELL_DOUBLE) {
        const double v = in.value<double>();
        return std::isfinite(v) ? QVariant(v) : QVariant();
    }
    const QString text = in.text();
    QVariant value;
    if (type == FREEXL_CELL_DATE)
        value = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    else if (type == FREEXL_CELL_DATETIME)
        value = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    else if (type == FREEXL_CELL_TIME)
        value = QTime::fromString(text, QStringLiteral("HH:mm:ss"));
    else
        return text;
    // A date FreeXL could not format is still shown rather than dropped.
    const bool valid = type == FREEXL_CELL_DATE       ? value.toDate().isValid()
                       : type == FREEXL_CELL_DATETIME ? value.toDateTime().isValid()
                                                      : value.toTime().isValid();
    return valid ? value : QVariant(text);
}

Sheet decodeXlsStream(const QByteArray& stream)
{
    ChildReader in(stream);
    CellGrid grid;
    QString name;
    while (!in.atEnd()) {
        switch (in.value<char>()) {
        case 'N':
            name = in.text();
            break;
        case 'C': {
            const auto row = in.value<quint32>();
            const auto col = in.value<quint32>();
            const auto type = in.value<quint8>();
            grid.add(row, col, xlsValue(type, in));
            break;
        }
        case 'Z':
            return grid.take(name);
        case 'E': {
            const auto failure = XlsFailure(in.value<qint32>());
            const qint32 detail = in.value<qint32>();
            switch (failure) {
            case XlsFailure::Open:
                fail(QStringLiteral("不是有效的 xls 文件(FreeXL 错误 %1)").arg(detail));
            case XlsFailure::Protected:
                fail(QStringLiteral("工作簿有密码保护"));
            case XlsFailure::SheetList:
                fail(QStringLiteral("无法读取工作表列表"));
            case XlsFailure::TooLarge:
                failTooLarge();
            default:
                fail(QStringLiteral("工作表已损坏(FreeXL 错误 %1)").arg(detail));
            }
        }
        default:
            ChildReader::failDamaged();
        }
    }
    ChildReader::failDamaged();
}

quint32 littleEndian32(const QByteArray& bytes, qsizetype at)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | quint8(bytes[at + i]);
    return v;
}

// A compound file (the container of .xls) whose allocated sectors run past its end was cut
// short. That and a missing signature are told here, without starting FreeXL.
void checkCompoundFile(QIODevice& device)
{
    const QString incomplete = QStringLiteral("文件不完整(可能被截断)");
    const qint64 size = device.size();
    const QByteArray header = device.read(512);
    if (!header.startsWith(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)))
        fail(header.size() < 8 ? incomplete : QStringLiteral("不是 xls 文件"));
    if (header.size() < 512)
        fail(incomplete);
    const int shift = quint8(header[0x1E]) | (quint8(header[0x1F]) << 8);
    if (shift != 9 && shift != 12)
        fail(QStringLiteral("不是有效的 xls 文件"));
    const qint64 sectorSize = qint64(1) << shift;
    const auto sectorEnd = [&](quint32 sector) { return (qint64(sector) + 2) * sectorSize; };
    // The header lists the first 109 FAT sectors; later ones are left to FreeXL.
    const quint32 fatSectors = std::min<quint32>(littleEndian32(header, 0x2C), 109);
    for (quint32 k = 0; k < fatSectors; ++k) {
        const quint32 fatSector = littleEndian32(header, 0x4C + 4 * k);
        if (fatSector >= 0xFFFFFFFA)
            continue;
        if (sectorEnd(fatSector) > size || !device.seek(sectorEnd(fatSector) - sectorSize))
            fail(incomplete);
        const QByteArray fat = device.read(sectorSize);
        if (fat.size() != sectorSize)
            fail(incomplete);
        const qint64 perSector = sectorSize / 4;
        for (qint64 j = 0; j < perSector; ++j) {
            constexpr quint32 kFree = 0xFFFFFFFF;
            if (littleEndian32(fat, 4 * j) != kFree && sectorEnd(quint32(k * perSector + j)) > size)
                fail(incomplete);
        }
    }
}

// The reader installed beside the running program.
QString xlsReaderPath()
{
    const QString self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    return QFileInfo(self).absolutePath() + QStringLiteral("/orvane-xls-reader");
}

Sheet readXls(const QString& file, const QString& wanted)
{
    const QByteArray path = QFile::encodeName(file);
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            fail(f.errorString());
        checkCompoundFile(f);
    }
    // FreeXL runs in a process of its own, started fresh (not a fork of this one, whose other
    // threads' locks it would inherit).
    const QString reader = xlsReaderPath();
    if (!QFileInfo(reader).isExecutable())
        fail(QStringLiteral("找不到读取 xls 文件的程序 %1").arg(reader));
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        fail(QString::fromLocal8Bit(std::strerror(errno)));
    QByteArray program = QFile::encodeName(reader);
    QByteArray target = path;
    QByteArray sheet = wanted.toUtf8();
    char* argv[] = {program.data(), target.data(), sheet.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, program.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawned != 0) {
        ::close(fds[0]);
        fail(QString::fromLocal8Bit(std::strerror(spawned)));
    }

    QByteArray stream;
    bool timedOut = false;
    bool tooLarge = false;
    const QDeadlineTimer deadline(std::chrono::seconds(kXlsSeconds + 10));
    char buffer[65536];
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, int(std::max<qint64>(deadline.remainingTime(), 0)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0) {
            timedOut = true;
            break;
        }
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        if (stream.size() + n > kMaxXlsStream) {
            tooLarge = true;
            break;
        }
        stream.append(buffer, qsizetype(n));
    }
    ::close(fds[0]);
    if (timedOut || tooLarge)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut)
        fail(QStringLiteral("读取超时,文件可能已损坏"));
    if (tooLarge)
        failTooLarge();
    return decodeXlsStream(stream);
}

// ---- dispatch ----

template <typename Read>
std::optional<Sheet> guarded(const QString& source, Read read, QString* error)
{
    try {
        return read();
    } catch (const ReadError& e) {
        setError(error, source, e.message);
    } catch (const std::bad_alloc&) {
        setError(error, source, QStringLiteral("内存不足"));
    }
    return std::nullopt;
}

} // namespace

void RunXlsReaderProcess(const QByteArray& path, const QString& wanted, int fd)
{
    xlsChild(path, wanted, fd);
}

std::optional<Sheet> readWorkbook(const QString& path, const QString& sheetName, QString* error)
{
    const QString format = QFileInfo(path).suffix().toLower();
    if (format != u"xls" && format != u"xlsx" && format != u"csv") {
        setError(error, path, QStringLiteral("不支持的文件类型(只支持 xls、xlsx、csv)"));
        return std::nullopt;
    }
    return guarded(
        path,
        [&]() -> Sheet {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                fail(file.errorString());
            if (format == u"xls")
                return readXls(path, sheetName);
            if (format == u"xlsx")
                return readXlsx(file, sheetName);
            if (file.size() > kMaxPartBytes)
                fail(QStringLiteral("文件超过 256 MiB"));
            return readCsv(file.readAll(), QFileInfo(path).completeBaseName());
        },
        error);
}

std::optional<Sheet> readWorkbookBytes(const QByteArray& bytes, const QString& format,
                                       const QString& sheetName, QString* error)
{
    const QString kind = format.toLower();
    const QString source = QStringLiteral("%1 数据").arg(kind);
    if (kind != u"xls" && kind != u"xlsx" && kind != u"csv") {
        setError(error, source, QStringLiteral("不支持的格式"));
        return std::nullopt;
    }
    return guarded(
        source,
        [&]() -> Sheet {
            if (kind == u"csv")
                return readCsv(bytes, QString());
            if (kind == u"xlsx") {
                QBuffer buffer;
                buffer.setData(bytes);
                buffer.open(QIODevice::ReadOnly);
                return readXlsx(buffer, sheetName);
            }
            QBuffer buffer;
            buffer.setData(bytes);
            buffer.open(QIODevice::ReadOnly);
            checkCompoundFile(buffer);
            // FreeXL reads only from a file.
            QTemporaryFile file(QDir::tempPath() + QStringLiteral("/orvane-XXXXXX.xls"));
            if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
                fail(QStringLiteral("无法写临时文件:%1").arg(file.errorString()));
            file.close();
            return readXls(file.fileName(), sheetName);
        },
        error);
}

// ---- writing ----

namespace {

QString columnName(int col)
{
    QString name;
    for (int c = col + 1; c > 0; c = (c - 1) / 26)
        name.prepend(QChar(u'A' + (c - 1) % 26));
    return name;
}

struct WriteFormats
{
    lxw_format* date;
    lxw_format* dateTime;
    lxw_format* time;
};

lxw_error writeText(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t col, QString text)
{
    if (text.isEmpty())
        return LXW_NO_ERROR;
    // Readers take _xHHHH_ in a text as an escaped character; libxlsxwriter leaves literal ones
    // alone, so their underscore is escaped here or "_x0041_" would come back as "A".
    static const QRegularExpression literalEscape(QStringLiteral("_(?=x[0-9A-Fa-f]{4}_)"));
    text.replace(literalEscape, QStringLiteral("_x005F_"));
    return worksheet_write_string(sheet, row, col, text.toUtf8().constData(), nullptr);
}

lxw_datetime toLxw(QDate date, QTime time)
{
    return lxw_datetime{date.year(), date.month(),  date.day(),
                        time.hour(), time.minute(), time.second() + time.msec() / 1000.0};
}

lxw_error writeCell(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t col, const QVariant& value,
                    const WriteFormats& formats)
{
    // Excel keeps 15 significant digits; longer whole numbers (ids) would come back altered.
    constexpr qint64 kMaxExact = 999'999'999'999'999;
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return LXW_NO_ERROR;
    case QMetaType::Bool:
        return worksheet_write_boolean(sheet, row, col, value.toBool(), nullptr);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::LongLong: {
        const qint64 v = value.toLongLong();
        if (v > kMaxExact || v < -kMaxExact)
            return writeText(sheet, row, col, QString::number(v));
        return worksheet_write_number(sheet, row, col, double(v), nullptr);
    }
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const quint64 v = value.toULongLong();
        if (v > quint64(kMaxExact))
            return writeText(sheet, row, col, QString::number(v));
        return worksheet_write_number(sheet, row, col, double(v), nullptr);
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        const double v = value.toDouble();
        if (!std::isfinite(v)) // no such number in a workbook; keep it visible as text
            return writeText(sheet, row, col, QString::number(v));
        return worksheet_write_number(sheet, row, col, v, nullptr);
    }
    case QMetaType::QDate: {
        const QDate date = value.toDate();
        if (!date.isValid())
            return LXW_NO_ERROR;
        if (date.year() < 1900 || date.year() > 9999)
            return writeText(sheet, row, col, date.toString(Qt::ISODate));
        lxw_datetime dt = toLxw(date, QTime(0, 0));
        return worksheet_write_datetime(sheet, row, col, &dt, formats.date);
    }
    case QMetaType::QDateTime: {
        const QDateTime dateTime = value.toDateTime();
        if (!dateTime.isValid())
            return LXW_NO_ERROR;
        if (dateTime.date().year() < 1900 || dateTime.date().year() > 9999)
            return writeText(sheet, row, col,
                             dateTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        lxw_datetime dt = toLxw(dateTime.date(), dateTime.time());
        return worksheet_write_datetime(sheet, row, col, &dt, formats.dateTime);
    }
    case QMetaType::QTime: {
        const QTime time = value.toTime();
        if (!time.isValid())
            return LXW_NO_ERROR;
        return worksheet_write_number(
            sheet, row, col, time.msecsSinceStartOfDay() / double(kMsPerDay), formats.time);
    }
    default:
        return value.isNull() ? LXW_NO_ERROR : writeText(sheet, row, col, value.toString());
    }
}

bool writeFailed(QString* error, const QString& path, const QString& message)
{
    if (error)
        *error = QStringLiteral("无法写入“%1”:%2").arg(path, message);
    return false;
}

} // namespace

bool writeXlsx(const QString& path, const QString& sheetName, const QStringList& header,
               const QList<QVariantList>& rows, QString* error)
{
    if (rows.size() + 1 > LXW_ROW_MAX)
        return writeFailed(error, path, QStringLiteral("行数超过 Excel 的上限"));
    qsizetype width = header.size();
    for (const QVariantList& row : rows)
        width = std::max(width, row.size());
    if (width > LXW_COL_MAX)
        return writeFailed(error, path, QStringLiteral("列数超过 Excel 的上限"));

    // Written beside the target and renamed over it, so a failure leaves the old file intact.
    const QFileInfo target(path);
    QString temp;
    do {
        temp = target.absolutePath() + QStringLiteral("/.") + target.fileName() +
               QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16,
                                             QLatin1Char('0'));
    } while (QFileInfo::exists(temp));
    const QByteArray tempName = QFile::encodeName(temp);

    lxw_workbook_options options{};
    options.constant_memory = LXW_FALSE;
    options.use_zip64 = LXW_FALSE;
    lxw_workbook* workbook = workbook_new_opt(tempName.constData(), &options);
    if (!workbook)
        return writeFailed(error, path, QStringLiteral("无法创建工作簿"));

    QString problem;
    const QByteArray sheetUtf8 = sheetName.toUtf8();
    lxw_worksheet* sheet = nullptr;
    if (!sheetName.isEmpty()) {
        if (const lxw_error rc = workbook_validate_sheet_name(workbook, sheetUtf8.constData()))
            problem = QStringLiteral("工作表名称“%1”无效(%2)")
                          .arg(sheetName, QString::fromUtf8(lxw_strerror(rc)));
    }
    if (problem.isEmpty()) {
        sheet =
            workbook_add_worksheet(workbook, sheetName.isEmpty() ? nullptr : sheetUtf8.constData());
        if (!sheet)
            problem = QStringLiteral("无法创建工作表");
    }
    if (sheet) {
        const WriteFormats formats{workbook_add_format(workbook), workbook_add_format(workbook),
                                   workbook_add_format(workbook)};
        format_set_num_format(formats.date, "yyyy-mm-dd");
        format_set_num_format(formats.dateTime, "yyyy-mm-dd hh:mm:ss");
        format_set_num_format(formats.time, "hh:mm:ss");
        auto put = [&](qsizetype r, qsizetype c, const QVariant& value) {
            const lxw_error rc = writeCell(sheet, lxw_row_t(r), lxw_col_t(c), value, formats);
            if (rc != LXW_NO_ERROR)
                problem = QStringLiteral("单元格 %1%2:%3")
                              .arg(columnName(int(c)))
                              .arg(r + 1)
                              .arg(QString::fromUtf8(lxw_strerror(rc)));
            return rc == LXW_NO_ERROR;
        };
        for (qsizetype c = 0; c < header.size() && problem.isEmpty(); ++c)
            put(0, c, header[c]);
        for (qsizetype r = 0; r < rows.size() && problem.isEmpty(); ++r) {
            for (qsizetype c = 0; c < rows[r].size() && put(r + 1, c, rows[r][c]); ++c) {
            }
        }
    }
    const lxw_error closed = workbook_close(workbook);
    if (problem.isEmpty() && closed != LXW_NO_ERROR)
        problem = QString::fromUtf8(lxw_strerror(closed));
    if (problem.isEmpty() && QFileInfo::exists(path))
        QFile::setPermissions(temp, QFile::permissions(path));
    if (problem.isEmpty() && std::rename(tempName.constData(), QFile::encodeName(path)) != 0)
        problem = QString::fromLocal8Bit(std::strerror(errno));
    if (!problem.isEmpty()) {
        QFile::remove(temp);
        return writeFailed(error, path, problem);
    }
    return true;
}
