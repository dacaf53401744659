#include "WindowPictures.h"

#include <QDir>
#include <QMainWindow>
#include <QPixmap>
#include <QTabWidget>

#include <cstdio>

namespace fenwave {

bool grabPictures(QMainWindow *window, const QString &outDir, const QString &suffix)
{
    if (!window || !QDir().mkpath(outDir)) {
        std::fprintf(stderr, "cannot create folder %s\n", qPrintable(outDir));
        return false;
    }
    const QDir dir(outDir);
    bool allWritten = true;
    auto save = [&](QWidget *widget, const QString &fileName) {
        const QString path = dir.filePath(fileName);
        if (!widget->grab().save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            allWritten = false;
        }
    };

    save(window, QStringLiteral("window%1.png").arg(suffix));
    auto *tabs = window->findChild<QTabWidget *>(QStringLiteral("pgOptions"));
    if (!tabs)
        return allWritten;
    const int front = tabs->currentIndex();
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        save(tabs, QStringLiteral("page-%1%2.png").arg(tabs->widget(i)->objectName(), suffix));
    }
    tabs->setCurrentIndex(front);
    return allWritten;
}

} // namespace fenwave
