#include "app_registry.h"

#include "app/config.h"
#include "platform/gbk_text.h"
#include "platform/settings_store.h"

QByteArray ScrambleText(const QByteArray& text, int mode, quint8 keyByte)
{
    QByteArray out;
    if (mode == 1) {
        out.reserve(text.size() + 1);
        for (qsizetype i = 0; i < text.size(); ++i)
            out.append(char(quint8((i + 1) % 256) ^ quint8(text[i]) ^ keyByte));
        out.append(char(keyByte));
    } else if (mode == 0 && !text.isEmpty()) {
        out.reserve(text.size() - 1);
        for (qsizetype i = 0; i + 1 < text.size(); ++i)
            out.append(char(quint8((i + 1) % 256) ^ quint8(text[i]) ^ keyByte));
    }
    return out;
}

QString AppRegKeyPath(const QString& subKey)
{
    return QStringLiteral("Software\\Halvek\\") + appSettings().DatabaseName + u'\\' + subKey;
}

bool OpenAppRegKey(const QString& subKey)
{
    return SettingsStore::openKey(SettingsStore::Root::LocalMachine, AppRegKeyPath(subKey));
}

QString ReadAppRegString(const QString& valueName, const QString& subKey, quint8 keyByte)
{
    if (!OpenAppRegKey(subKey))
        return QString();
    const auto value = SettingsStore::readValue(SettingsStore::Root::LocalMachine,
                                                AppRegKeyPath(subKey), valueName);
    if (!value)
        return QString();
    return fromGbk(ScrambleText(*value, 0, keyByte));
}

void WriteAppRegString(const QString& valueName, const QString& text, const QString& subKey,
                       quint8 keyByte)
{
    if (!OpenAppRegKey(subKey))
        return;
    SettingsStore::writeValue(SettingsStore::Root::LocalMachine, AppRegKeyPath(subKey), valueName,
                              ScrambleText(toGbk(text), 1, keyByte));
}
