#include "ui/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace fenwave {

namespace {

// One translator for the whole program, alive until the end of the run.
QTranslator &qtTranslator()
{
    static QTranslator translator;
    return translator;
}

} // namespace

bool useQtTextsFor(Language language)
{
    QTranslator &translator = qtTranslator();
    QCoreApplication::removeTranslator(&translator);
    if (language != Language::Russian)
        return language == Language::English;
    // Debian's qt6-translations-l10n; "qtbase" holds the widgets' texts.
    if (!translator.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&translator);
}

} // namespace fenwave
