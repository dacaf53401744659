// Grabs the real main window and each of its pages to PNG files, in English and in Russian.
// Usage: fenwave_pictures OUTDIR
// Writes window.png, page-<page>.png and the same with "-ru". The per-user preferences are
// neither read from nor written to the user's own store.

#include "CaptionFit.h"
#include "WindowPictures.h"
#include "unMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QStandardPaths>

#include <cstdio>

int main(int argc, char *argv[])
{
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2 || args.at(1).startsWith(QLatin1String("--"))) {
        std::fprintf(stderr, "usage: fenwave_pictures OUTDIR\n");
        return 2;
    }
    const QString outDir = args.at(1);

    TForm1 form;
    // A sample so that the pictures show a composed command line.
    form.LamePath = QStringLiteral("/usr/bin/lame");
    form.named<QLineEdit>(QStringLiteral("edtInput"))->setText(QStringLiteral("/home/me/Music/song.wav"));
    form.named<QLineEdit>(QStringLiteral("edtOutput"))->setText(QStringLiteral("/home/me/Music/song.mp3"));
    form.show();
    bool ok = true;
    for (const auto &[language, suffix] :
         {std::pair{fenwave::Language::English, ""}, std::pair{fenwave::Language::Russian, "-ru"}}) {
        form.Language = language;
        form.ApplyLanguage();
        QApplication::processEvents();
        for (const QString &finding : fenwave::captionsThatDoNotFit(&form))
            std::fprintf(stderr, "does not fit%s: %s\n", suffix, qPrintable(finding));
        ok = fenwave::grabPictures(&form, outDir, QString::fromLatin1(suffix)) && ok;
    }
    return ok ? 0 : 1;
}
