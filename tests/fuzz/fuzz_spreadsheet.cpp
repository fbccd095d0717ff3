// Fuzz entry point for the spreadsheet readers. The first byte picks the format, the rest is the
// file: 0 xlsx, 1 xls, 2 csv, 3 the XML parts of an xlsx separated by NUL bytes (worksheet,
// shared strings, styles), which this harness packs itself. Changing a packed xlsx breaks its
// checksums almost always, so without the last form the XML readers would hardly be reached.

#include "platform/spreadsheet.h"

#include <zlib.h>

#include <cstdint>
#include <cstdlib>

namespace {
void put16(QByteArray& out, quint16 v)
{
    out.append(char(v & 0xFF)).append(char(v >> 8));
}

void put32(QByteArray& out, quint32 v)
{
    put16(out, quint16(v & 0xFFFF));
    put16(out, quint16(v >> 16));
}

// A zip of stored (uncompressed) entries.
QByteArray storedZip(const QList<std::pair<QByteArray, QByteArray>>& parts)
{
    QByteArray out;
    QByteArray directory;
    for (const auto& [name, data] : parts) {
        const quint32 offset = quint32(out.size());
        const quint32 crc =
            quint32(crc32(0, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())));
        put32(out, 0x04034b50);
        for (quint16 v : {20, 0, 0, 0, 0})
            put16(out, v);
        put32(out, crc);
        put32(out, quint32(data.size()));
        put32(out, quint32(data.size()));
        put16(out, quint16(name.size()));
        put16(out, 0);
        out.append(name).append(data);

        put32(directory, 0x02014b50);
        for (quint16 v : {20, 20, 0, 0, 0, 0})
            put16(directory, v);
        put32(directory, crc);
        put32(directory, quint32(data.size()));
        put32(directory, quint32(data.size()));
        put16(directory, quint16(name.size()));
        for (quint16 v : {0, 0, 0, 0})
            put16(directory, v);
        put32(directory, 0);
        put32(directory, offset);
        directory.append(name);
    }
    const quint32 directoryOffset = quint32(out.size());
    out.append(directory);
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, quint16(parts.size()));
    put16(out, quint16(parts.size()));
    put32(out, quint32(directory.size()));
    put32(out, directoryOffset);
    put16(out, 0);
    return out;
}

QByteArray packParts(const QByteArray& input)
{
    const QList<QByteArray> pieces = input.split('\0');
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    QList<std::pair<QByteArray, QByteArray>> parts{
        {"xl/workbook.xml", "<workbook xmlns:r=\"" + rel +
                                "\"><sheets><sheet name=\"S\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
             "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" +
             rel +
             "/sharedStrings\" Target=\"sharedStrings.xml\"/><Relationship Id=\"rId3\" Type=\"" +
             rel + "/styles\" Target=\"styles.xml\"/></Relationships>"},
    };
    const char* names[] = {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml", "xl/styles.xml"};
    for (qsizetype i = 0; i < pieces.size() && i < 3; ++i)
        parts.append({names[i], pieces[i]});
    return storedZip(parts);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static const QString formats[] = {QStringLiteral("xlsx"), QStringLiteral("xls"),
                                      QStringLiteral("csv"), QStringLiteral("xlsx")};
    const int choice = data[0] % 4;
    QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if (choice == 3)
        bytes = packParts(bytes);
    const QString& format = formats[choice];
    QString error;
    const std::optional<Sheet> sheet = readWorkbookBytes(bytes, format, QString(), &error);
    // Every refusal explains itself; every sheet has the promised shape.
    if (!sheet) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    for (const QVariantList& row : sheet->rows) {
        if (row.size() != sheet->header.size())
            std::abort();
        for (const QVariant& cell : row) {
            if (format == u"csv" && cell.isValid() && cell.typeId() != QMetaType::QString)
                std::abort();
        }
    }
    return 0;
}
