#pragma once

#include "options/TableView.h"

namespace fenwave {

// One item of the main menu.
struct MenuSpec {
    const char *name;    // objectName of the QAction (and of the QMenu for a submenu)
    const char *parent;  // "mnuMain" for the menu bar, else the submenu's name
    const char *caption; // design caption (English)
    const char *hint;    // design hint that no language set assigns; nullptr otherwise
    bool checkable;
};

// In menu order; a submenu comes before its items.
TableView<MenuSpec> menuTable();

// True when some item names `name` as its parent, i.e. `name` opens a submenu.
bool isSubmenu(const char *name);

} // namespace fenwave
