#pragma once

#include <QString>

class QMainWindow;

namespace fenwave {

// Grabs the whole window to OUTDIR/window<suffix>.png and each page of pgOptions, brought to the
// front in turn, to OUTDIR/page-<page name><suffix>.png; the page in front is restored afterwards.
// Creates OUTDIR when missing. Returns false (and reports on stderr) when a file cannot be written.
bool grabPictures(QMainWindow *window, const QString &outDir, const QString &suffix);

} // namespace fenwave
