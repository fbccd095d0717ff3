#pragma once

#include <QByteArray>
#include <QString>

// Texts are Unicode inside the program; where lengths or cuts are counted in bytes, they are
// counted in the Chinese code page. GB18030 is GBK for every GBK character and also encodes
// the rare characters outside it (as four bytes), so nothing is lost.
QByteArray toGbk(QStringView text);
QString fromGbk(QByteArrayView bytes);
qsizetype gbkLength(QStringView text);
