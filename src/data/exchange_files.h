#pragma once

#include <QString>
#include <QStringList>

class Dataset;

// Exchange files: the rows of one dataset with their typed fields, NULLs kept, for moving rows
// between installations. Extension "XA1"; optionally packed in a TXFile container.

// "*.ext(ext文件)|*.ext|" for each extension of the list (split at ";"), then
// "*.*(所有文件)|*.*".
QString FileFilterText(const QString& extensions);
// A save or open dialog through the interaction facade, starting in the folder of fileName and
// proposing its name; true and the chosen path in fileName when the operator confirms.
bool ChooseSaveFile(const QString& extensions, const QString& defaultExtension, QString& fileName);
bool ChooseOpenFile(const QString& extensions, const QString& defaultExtension, QString& fileName);

// TransFolder + "/" + title + "_" + InstitutionName.
QString DefaultExchangeFileName(const QString& title);

// The dataset's row count, or -1 (dataset not open, file not written). The rows go out in the
// order of the sort field; the dataset's own order is put back.
int SaveToExchangeFile(Dataset& dataset, const QString& fileName, const QString& sortField,
                       bool packed);
// Merges a file's rows into the dataset by the key field: the file's row count, or minus the
// number of rows that failed; -1 also when the file cannot be read at all.
int MergeFromExchangeFile(Dataset& target, const QString& fileName, const QString& keyField);

bool ExportExchangeFile(Dataset& dataset, const QString& title, const QString& keyField);
bool ImportExchangeFile(Dataset& dataset, const QString& title, const QString& keyField);
