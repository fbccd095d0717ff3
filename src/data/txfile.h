#pragma once

#include <QByteArray>
#include <QString>

// The header of a container; texts are kept as their 8-bit bytes.
struct TXFileHeader
{
    QByteArray title;
    double version = 0.0;
    qint32 compression = 0; // 0 stored, 1 zlib default, 2 zlib fastest, 3 zlib best
    qint32 flags = 0;
    QByteArray comment;
    QByteArray sourceName;
};

// The container of the configuration file and of packed files: a header, then the payload,
// stored or as one zlib stream.
class TXFile
{
public:
    // Reads a container and returns the size of its payload. A short or damaged header ends
    // header reading where it is; what follows is the payload. Throws XStreamError when the
    // file cannot be opened and XInflateError when the payload does not inflate.
    qint64 LoadFromFile(const QString& path);
    qint64 LoadFromBytes(const QByteArray& data);

    // Header then payload, deflated at the header's compression level. -1 (and the file left
    // as it was) when the payload cannot be compressed or the file cannot be written.
    qint64 SaveToFile(const QString& path) const;
    bool SaveToBytes(QByteArray& out) const;

    const TXFileHeader& header() const { return m_header; }
    TXFileHeader& header() { return m_header; }
    const QByteArray& payload() const { return m_payload; }
    void setPayload(const QByteArray& payload) { m_payload = payload; }
    void clear();

    // Header for a packed file: empty title and comment, version 1.0, flags 0.
    void setPackHeader(int compression, const QString& title, const QString& sourceName);

private:
    TXFileHeader m_header;
    QByteArray m_payload;
};

// Packs a plain file into a container or unpacks one (unpack on). writeContainer chooses
// whether the container or the bare payload is written. A destination naming only a folder is
// completed with the source name + "X". Result: bytes written, or -1 on any error.
qint64 PackFile(const QString& source, bool unpack, bool writeContainer, int compression,
                const QString& title, const QString& destination);
