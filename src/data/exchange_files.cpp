#include "exchange_files.h"

#include "app/config.h"
#include "data/dataset.h"
#include "data/key_index.h"
#include "data/services.h"
#include "data/txfile.h"
#include "platform/interaction.h"
#include "platform/row_stream.h"
#include "shell/messages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {
RowFieldType rowTypeOf(const QMetaType& type)
{
    switch (type.id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return RowFieldType::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return RowFieldType::Float;
    case QMetaType::Bool:
        return RowFieldType::Boolean;
    case QMetaType::QDate:
        return RowFieldType::Date;
    case QMetaType::QDateTime:
        return RowFieldType::DateTime;
    case QMetaType::QByteArray:
        return RowFieldType::Bytes;
    default:
        return RowFieldType::Text;
    }
}

QVariant toRowValue(const QVariant& v, RowFieldType type)
{
    if (!v.isValid() || v.isNull())
        return QVariant();
    if (type == RowFieldType::Text)
        return v.toString();
    return v;
}

std::optional<RowTable> readExchangeFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (std::optional<RowTable> table = decodeRowTable(bytes))
        return table;
    // A packed file: the rows are the container's payload.
    try {
        TXFile container;
        container.LoadFromBytes(bytes);
        return decodeRowTable(container.payload());
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool choose(bool save, const QString& extensions, const QString& defaultExtension,
            QString& fileName)
{
    FileRequest request;
    request.save = save;
    const QFileInfo info(fileName);
    request.folder = info.absolutePath();
    request.fileName = info.fileName();
    request.filter = FileFilterText(extensions);
    request.defaultExtension = defaultExtension;
    if (!save)
        request.title = QStringLiteral("打开") + fileName;
    const std::optional<QString> chosen = Interaction::current().chooseFile(request);
    if (!chosen || chosen->isEmpty())
        return false;
    fileName = *chosen;
    return true;
}
} // namespace

QString FileFilterText(const QString& extensions)
{
    QString filter;
    for (QString ext : extensions.split(u';', Qt::SkipEmptyParts)) {
        if (ext.startsWith(u'.'))
            ext.remove(0, 1);
        filter += QStringLiteral("*.%1(%1文件)|*.%1|").arg(ext);
    }
    return filter + QStringLiteral("*.*(所有文件)|*.*");
}

bool ChooseSaveFile(const QString& extensions, const QString& defaultExtension, QString& fileName)
{
    return choose(true, extensions, defaultExtension, fileName);
}

bool ChooseOpenFile(const QString& extensions, const QString& defaultExtension, QString& fileName)
{
    return choose(false, extensions, defaultExtension, fileName);
}

QString DefaultExchangeFileName(const QString& title)
{
    return TransFolder() + u'/' + title + u'_' + appSettings().InstitutionName;
}

int SaveToExchangeFile(Dataset& dataset, const QString& fileName, const QString& sortField,
                       bool packed)
{
    if (!dataset.isOpen() || !dataset.post())
        return -1;
    const QString previousSort = dataset.sort();
    dataset.setSort(sortField);

    RowTable table;
    for (int f = 0; f < dataset.fieldCount(); ++f) {
        const Dataset::Field& field = dataset.field(f);
        table.fields.append({field.name, rowTypeOf(field.type), field.size});
    }
    table.rows.reserve(dataset.rowCount());
    for (int r = 0; r < dataset.rowCount(); ++r) {
        QVariantList row;
        row.reserve(dataset.fieldCount());
        for (int f = 0; f < dataset.fieldCount(); ++f)
            row.append(toRowValue(dataset.value(r, f), table.fields[f].type));
        table.rows.append(std::move(row));
    }
    dataset.setSort(previousSort);

    const QByteArray bytes = encodeRowTable(table);
    const QString target = packed ? fileName + u'X' : fileName;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return -1;
    if (packed) {
        const qint64 written = PackFile(target, false, true, 1, QString(), fileName);
        QFile::remove(target);
        if (written < 0)
            return -1;
    }
    return dataset.rowCount();
}

int MergeFromExchangeFile(Dataset& target, const QString& fileName, const QString& keyField)
{
    std::optional<RowTable> file = readExchangeFile(fileName);
    if (!file || !target.isOpen())
        return -1;
    const qsizetype fileKey = file->fieldIndex(keyField);
    const int key = target.fieldIndex(keyField);
    if (fileKey < 0 || key < 0)
        return -1;
    std::stable_sort(file->rows.begin(), file->rows.end(),
                     [fileKey](const QVariantList& a, const QVariantList& b) {
                         return a[fileKey].toString() < b[fileKey].toString();
                     });
    target.setSort(keyField);

    // Which file field feeds each target field.
    QList<qsizetype> sourceOf;
    for (int f = 0; f < target.fieldCount(); ++f)
        sourceOf.append(file->fieldIndex(target.field(f).name));

    KeyIndex index(target, key);
    int failed = 0;
    for (const QVariantList& row : std::as_const(file->rows)) {
        const QVariant keyValue = row[fileKey];
        const QString keyText = KeyIndex::keyText(keyValue);
        int at = index.find(keyText);
        // A NULL or blank key is not indexed; such rows are found the slow way.
        if (at < 0 && keyText.isEmpty() && target.locate(keyField, keyValue))
            at = target.currentRow();
        bool ok = true;
        if (at >= 0) {
            ok = target.setCurrentRow(at);
        } else {
            ok = target.append() && target.setFieldValue(key, keyValue) && target.post();
            if (ok)
                index.add(keyText, target.currentRow());
        }
        for (int f = 0; ok && f < target.fieldCount(); ++f) {
            if (sourceOf[f] < 0 || Dataset::sameValue(target.fieldValue(f), row[sourceOf[f]]))
                continue;
            ok = target.edit() && target.setFieldValue(f, row[sourceOf[f]]) && target.post();
        }
        if (!ok) {
            target.cancel();
            ++failed;
        }
    }
    target.setSort(QString());
    return failed > 0 ? -failed : int(file->rows.size());
}

bool ExportExchangeFile(Dataset& dataset, const QString& title, const QString& keyField)
{
    QString fileName = DefaultExchangeFileName(title);
    if (!ChooseSaveFile(QStringLiteral("XA1"), QStringLiteral("XA1"), fileName))
        return false;
    if (SaveToExchangeFile(dataset, fileName, keyField, false) < 0) {
        ShowErrorMessage(QStringLiteral("导出失败!"));
        return false;
    }
    ShowInfoMessage(QStringLiteral("成功完成导出..."), true);
    return true;
}

bool ImportExchangeFile(Dataset& dataset, const QString& title, const QString& keyField)
{
    QString fileName = DefaultExchangeFileName(title);
    if (!ChooseOpenFile(QStringLiteral("XA1"), QStringLiteral("XA1"), fileName))
        return false;
    if (!fileName.contains(title)) {
        ShowErrorMessage(QStringLiteral("请选择正确的文件...\r\n应该是“") + title +
                         QStringLiteral("”文件"));
        return false;
    }
    dataset.disableControls();
    const int result = MergeFromExchangeFile(dataset, fileName, keyField);
    dataset.enableControls();
    if (result < 0) {
        ShowErrorMessage(QStringLiteral("导入失败!"));
        return false;
    }
    ShowInfoMessage(QStringLiteral("成功完成导入..."), true);
    return true;
}
