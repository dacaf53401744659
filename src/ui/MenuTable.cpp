#include "ui/MenuTable.h"

#include <cstring>

namespace fenwave {

namespace {

// clang-format off
const MenuSpec kTable[] = {
    // name          parent         caption                   hint                       checkable
    {"mnuSet",       "mnuMain",     "Settings",               nullptr,                   false},
    {"mnuLamePath",  "mnuSet",      "Path to lame.exe",       nullptr,                   false},
    {"mnuSave",      "mnuSet",      "Save settings",          nullptr,                   false},
    {"mnuLoad",      "mnuSet",      "Restore settings",       nullptr,                   false},
    {"mnuLanguage",  "mnuSet",      "Language",               nullptr,                   false},
    {"mnuEnglish",   "mnuLanguage", "English",                nullptr,                   true},
    {"mnuRussian",   "mnuLanguage", "Русский",                nullptr,                   true},
    {"mnuEncode",    "mnuMain",     "Coding",                 nullptr,                   false},
    {"mnuRun",       "mnuEncode",   "Run",                    nullptr,                   false},
    {"mnuEncodeFiles", "mnuEncode", "Encode several files…",  nullptr,                   false},
    {"mnuEncodeFolder", "mnuEncode", "Encode a folder…",      nullptr,                   false},
    {"mnuTakeTags",  "mnuEncode",   "Take tags from the input file", nullptr,            false},
    {"mnuRefresh",   "mnuEncode",   "Refresh command line",   "Обновить строку запуска", false},
    {"mnuExit",      "mnuMain",     "Exit",                   nullptr,                   false},
};
// clang-format on

} // namespace

TableView<MenuSpec> menuTable()
{
    return kTable;
}

bool isSubmenu(const char *name)
{
    for (const MenuSpec &row : kTable) {
        if (std::strcmp(row.parent, name) == 0)
            return true;
    }
    return false;
}

} // namespace fenwave
