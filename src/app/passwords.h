#pragma once

#include <QString>

// Operator passwords are kept as salted argon2id hashes; nothing shows one in clear.
QString HashPassword(const QString& password);
bool IsPasswordHash(const QString& stored);
// True when the typed password matches the stored value: a hash, or a legacy plain text
// (compared exactly, letter case included) that the caller then replaces by its hash.
bool VerifyPassword(const QString& typed, const QString& stored);
