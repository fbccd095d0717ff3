#include "txfile.h"

#include "platform/gbk_text.h"
#include "platform/xerrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <zlib.h>

#include <cstring>

namespace {
class HeaderReader
{
public:
    explicit HeaderReader(const QByteArray& data) : m_data(data) {}
    qsizetype remaining() const { return m_data.size() - m_pos; }
    qsizetype position() const { return m_pos; }

    qint32 int32()
    {
        const qint32 v = qFromLittleEndian<qint32>(m_data.constData() + m_pos);
        m_pos += 4;
        return v;
    }
    double float64()
    {
        quint64 bits = qFromLittleEndian<quint64>(m_data.constData() + m_pos);
        m_pos += 8;
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    // A length and its text; false when the length runs past the end (header reading stops).
    bool text(QByteArray& out)
    {
        const qint32 length = int32();
        if (length <= 0) {
            out.clear();
            return true;
        }
        if (length > remaining())
            return false;
        out = m_data.mid(m_pos, length);
        m_pos += length;
        return true;
    }
    void skip(qsizetype n) { m_pos += n; }

private:
    const QByteArray& m_data;
    qsizetype m_pos = 0;
};

void appendInt32(QByteArray& out, qint32 v)
{
    char raw[4];
    qToLittleEndian(v, raw);
    out.append(raw, 4);
}

void appendText(QByteArray& out, const QByteArray& text)
{
    appendInt32(out, qint32(text.size()));
    out.append(text);
}

QByteArray fileNamePart(const QByteArray& path)
{
    qsizetype cut = -1;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path[i] == '\\' || path[i] == '/' || path[i] == ':')
            cut = i;
    }
    return path.mid(cut + 1);
}

constexpr qsizetype kMaxPayload = qsizetype(1) << 30;

int zlibLevel(qint32 compression)
{
    switch (compression) {
    case 1:
        return Z_DEFAULT_COMPRESSION;
    case 2:
        return Z_BEST_SPEED;
    case 3:
        return Z_BEST_COMPRESSION;
    default:
        return -2; // not a level we write
    }
}

bool deflateAll(const QByteArray& in, int level, QByteArray& out)
{
    z_stream zs{};
    if (deflateInit(&zs, level) != Z_OK)
        return false;
    out.resize(qsizetype(deflateBound(&zs, uLong(in.size()))));
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
    zs.avail_in = uInt(in.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = uInt(out.size());
    const int rc = deflate(&zs, Z_FINISH);
    out.resize(qsizetype(zs.total_out));
    deflateEnd(&zs);
    return rc == Z_STREAM_END;
}

// Inflates one zlib stream; bytes after its end are ignored. Throws with zlib's own text.
QByteArray inflateAll(QByteArrayView in, qsizetype fileLength)
{
    z_stream zs{};
    int rc = inflateInit(&zs);
    QByteArray out;
    if (rc == Z_OK) {
        zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        zs.avail_in = uInt(in.size());
        out.resize(qMax<qsizetype>(in.size() * 4, 4096));
        do {
            if (qsizetype(zs.total_out) == out.size()) {
                if (out.size() >= kMaxPayload) {
                    rc = Z_MEM_ERROR;
                    break;
                }
                out.resize(out.size() * 2);
            }
            zs.next_out = reinterpret_cast<Bytef*>(out.data() + zs.total_out);
            zs.avail_out = uInt(out.size() - qsizetype(zs.total_out));
            rc = inflate(&zs, Z_NO_FLUSH);
        } while (rc == Z_OK);
    }
    const QString reason = QString::fromLatin1(zs.msg && rc != Z_MEM_ERROR ? zs.msg : zError(rc));
    out.resize(qsizetype(zs.total_out));
    inflateEnd(&zs);
    if (rc != Z_STREAM_END) {
        throw XInflateError(
            QStringLiteral("解压缓冲区出错! (长度 = %1):\r\n%2").arg(fileLength).arg(reason));
    }
    return out;
}
} // namespace

void TXFile::clear()
{
    m_header = TXFileHeader();
    m_payload.clear();
}

qint64 TXFile::LoadFromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw XStreamError(XStreamError::Kind::FileOpen,
                           QStringLiteral("无法打开文件 %1").arg(QDir::toNativeSeparators(path)));
    return LoadFromBytes(file.readAll());
}

qint64 TXFile::LoadFromBytes(const QByteArray& data)
{
    clear();
    HeaderReader r(data);
    [&] {
        if (r.remaining() < 4 || !r.text(m_header.title))
            return;
        if (r.remaining() < 8)
            return;
        m_header.version = r.float64();
        if (r.remaining() < 12)
            return;
        m_header.compression = r.int32();
        m_header.flags = r.int32();
        if (!r.text(m_header.comment))
            return;
        if (r.remaining() < 4)
            return;
        QByteArray source;
        if (!r.text(source))
            return;
        m_header.sourceName = fileNamePart(source);
        if (r.remaining() < 8)
            return;
        r.skip(8);
    }();

    if (r.remaining() > 0) {
        const QByteArrayView rest = QByteArrayView(data).sliced(r.position());
        m_payload = m_header.compression != 0 ? inflateAll(rest, data.size()) : rest.toByteArray();
    }
    return m_payload.size();
}

bool TXFile::SaveToBytes(QByteArray& out) const
{
    out.clear();
    appendText(out, m_header.title);
    char raw[8];
    quint64 bits;
    std::memcpy(&bits, &m_header.version, sizeof bits);
    qToLittleEndian(bits, raw);
    out.append(raw, 8);
    appendInt32(out, m_header.compression);
    appendInt32(out, m_header.flags);
    appendText(out, m_header.comment);
    appendText(out, m_header.sourceName);
    out.append(8, '\0');

    if (m_header.compression == 0) {
        out.append(m_payload);
        return true;
    }
    const int level = zlibLevel(m_header.compression);
    QByteArray packed;
    if (level == -2 || !deflateAll(m_payload, level, packed))
        return false;
    out.append(packed);
    return true;
}

qint64 TXFile::SaveToFile(const QString& path) const
{
    QByteArray bytes;
    if (!SaveToBytes(bytes))
        return -1;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return -1;
    return m_payload.size();
}

void TXFile::setPackHeader(int compression, const QString& title, const QString& sourceName)
{
    m_header.title = toGbk(title);
    m_header.version = 1.0;
    m_header.compression = compression;
    m_header.flags = 0;
    m_header.comment.clear();
    m_header.sourceName = sourceName.isEmpty() ? QByteArray("TempX") : toGbk(sourceName);
}

qint64 PackFile(const QString& source, bool unpack, bool writeContainer, int compression,
                const QString& title, const QString& destination)
{
    try {
        TXFile container;
        if (unpack) {
            container.LoadFromFile(source);
        } else {
            QFile in(source);
            if (!in.open(QIODevice::ReadOnly))
                return -1;
            container.setPayload(in.readAll());
            container.setPackHeader(compression, title, QFileInfo(source).fileName());
        }
        if (container.header().sourceName.isEmpty())
            container.header().sourceName = "TempX";

        QString target = destination;
        if (QFileInfo(destination).isDir() || destination.endsWith(u'/') ||
            destination.endsWith(u'\\'))
            target = QDir(destination).filePath(fromGbk(container.header().sourceName) + u'X');

        if (writeContainer) {
            QByteArray bytes;
            if (!container.SaveToBytes(bytes))
                return -1;
            QSaveFile out(target);
            if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() ||
                !out.commit())
                return -1;
            return bytes.size();
        }
        QSaveFile out(target);
        if (!out.open(QIODevice::WriteOnly) ||
            out.write(container.payload()) != container.payload().size() || !out.commit())
            return -1;
        return container.payload().size();
    } catch (const std::exception&) {
        return -1;
    }
}
