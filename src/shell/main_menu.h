#pragma once

#include <QString>

#include <vector>

class QMenuBar;
class Dataset;

// One item of the main menu, as data: its component name, caption, the Tag that exempts a
// top-level item from the rights, the window it opens (a key of the window slots), and items
// below it.
struct MenuDef
{
    const char* name;
    const char* caption; // UTF-8; "-" is a separator
    int tag = 0;
    const char* opens = nullptr;
    bool hidden = false;
    std::vector<MenuDef> children = {};
};

const std::vector<MenuDef>& mainMenuDefinition();

// Switches the menu items on or off by the operator's rights string: an item is enabled when
// the rights of the operator's CZYB row contain its caption (a separator keeps the caption
// before it). Top-level items with Tag 1 and everything below them are left alone.
void ApplyMenuRights(const QString& operNo, QMenuBar* menu, Dataset& QC);
// The same rule over a rights text, for a menu already built.
void applyRightsText(const QString& rights, QMenuBar* menu);
