#pragma once

#include <QByteArray>
#include <QString>

// The .xls reader runs FreeXL in a process of its own (orvane-xls-reader, installed beside
// every program), so that a damaged file ends that process, never the program. This is the
// reader's whole work: the sheet chosen by `wanted` from the file at `path`, written to `fd`
// as readWorkbook expects it. Never returns.
[[noreturn]] void RunXlsReaderProcess(const QByteArray& path, const QString& wanted, int fd);
