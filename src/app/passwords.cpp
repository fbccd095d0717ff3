#include "passwords.h"

#include <sodium.h>

namespace {
bool sodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}
} // namespace

QString HashPassword(const QString& password)
{
    if (!sodiumReady())
        return QString();
    const QByteArray bytes = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, bytes.constData(), quint64(bytes.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        return QString();
    return QString::fromLatin1(out);
}

bool IsPasswordHash(const QString& stored)
{
    return stored.startsWith(QLatin1String("$argon2"));
}

bool VerifyPassword(const QString& typed, const QString& stored)
{
    if (!IsPasswordHash(stored))
        return typed == stored;
    if (!sodiumReady())
        return false;
    const QByteArray hash = stored.toLatin1();
    const QByteArray bytes = typed.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), bytes.constData(), quint64(bytes.size())) ==
           0;
}
