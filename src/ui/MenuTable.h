#pragma once

#include <cstddef>

namespace fenwave {

// One item of the main menu.
struct MenuSpec {
    const char *name;    // objectName of the QAction (and of the QMenu for a submenu)
    const char *parent;  // "mnuMain" for the menu bar, else the submenu's name
    const char *caption; // design caption (English)
    const char *hint;    // design hint that no language set assigns; nullptr otherwise
    bool checkable;
};

struct MenuSpecList {
    const MenuSpec *begin_;
    const MenuSpec *end_;
    const MenuSpec *begin() const { return begin_; }
    const MenuSpec *end() const { return end_; }
    std::size_t size() const { return static_cast<std::size_t>(end_ - begin_); }
};

// In menu order; a submenu comes before its items.
MenuSpecList menuTable();

// True when some item names `name` as its parent, i.e. `name` opens a submenu.
bool isSubmenu(const char *name);

} // namespace fenwave
