#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class Dataset;

// How a grid column edits its cells.
enum class GridEditor { Text, Number, Date, ListOnly, PickList, Lookup, Memo, Button };

// A column whose cells hold a key of another dataset: the drop-down shows several of that
// dataset's columns and stores the key; the cell shows the display field of the matching row
// (empty when none; the stored value is trimmed before matching).
struct GridLookup
{
    Dataset* dataset = nullptr;
    QString keyField = {};
    QStringList shownFields = {};
    QStringList captions = {};
    QString displayField = {};
};

// One configured column of a DataGrid or TreeGrid (every member has a default, so designated
// initializers may leave any out).
struct GridColumn
{
    QString field = {};
    QString caption = {};
    int width = 80;
    GridEditor editor = GridEditor::Text;
    QStringList items = {}; // ListOnly / PickList items
    GridLookup lookup = {};
    // "" none; a count ("共0条", "共,0个" with thousands separators) or, when the pattern says
    // 平均, the column's average ("平均0.00分"); the 0 stands for the number.
    QString footer = {};
    bool visible = true;
    QString band = {}; // caption of the band over consecutive columns with the same band
    bool readOnly = false;
    // The text a cell shows for a stored value, when the column shows something other than
    // the value itself (a code shown as its meaning); editors still see the stored value.
    std::function<QString(const QVariant&)> displayText = {};
};

// A column as the windows declare theirs: field name and caption as literals (UTF-8).
inline GridColumn MakeGridColumn(const char* field, const char* caption, int width,
                                 GridEditor editor = GridEditor::Text,
                                 const QStringList& items = {})
{
    GridColumn c;
    c.field = QLatin1String(field);
    c.caption = QString::fromUtf8(caption);
    c.width = width;
    c.editor = editor;
    c.items = items;
    return c;
}

// A lookup column over `from`: the drop-down shows `shown` under `captions` and stores
// `keyField`; the cell shows `display`.
inline GridColumn MakeLookupColumn(const char* field, const char* caption, int width, Dataset* from,
                                   const char* keyField, const QStringList& shown,
                                   const QStringList& captions, const char* display)
{
    GridColumn c = MakeGridColumn(field, caption, width, GridEditor::Lookup);
    c.lookup = {from, QLatin1String(keyField), shown, captions, QLatin1String(display)};
    return c;
}
