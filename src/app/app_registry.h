#pragma once

#include <QByteArray>
#include <QString>

// The one key byte of every scrambled settings value.
inline constexpr quint8 RegKeyByte = 0xA7;

// Mode 1 scrambles, mode 0 unscrambles; any other mode gives empty bytes. Scrambling appends
// the key byte, so the output is one byte longer; unscrambling drops the last byte unseen.
QByteArray ScrambleText(const QByteArray& text, int mode, quint8 keyByte);

// "Software\Halvek\<DatabaseName>\<subKey>" under the local-machine store.
QString AppRegKeyPath(const QString& subKey);
bool OpenAppRegKey(const QString& subKey);
// The value, unscrambled; empty when the key cannot be opened or holds no such value.
QString ReadAppRegString(const QString& valueName, const QString& subKey = QString(),
                         quint8 keyByte = RegKeyByte);
// Scrambles and writes the value; nothing happens when the key cannot be opened.
void WriteAppRegString(const QString& valueName, const QString& text,
                       const QString& subKey = QString(), quint8 keyByte = RegKeyByte);
