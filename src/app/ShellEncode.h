#pragma once

#include "batch/BatchJob.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QTextStream;

namespace fenwave {

// What `fenwave --encode` is asked to do.
struct ShellEncodeRequest {
    QList<QByteArray> items; // FILE|FOLDER arguments, byte for byte as given; never sniffed
    QString settingsFile;    // empty: the start values
    std::optional<int> jobs; // encoders at once; none: one per core
    QString outputFolder;    // empty: each output beside its input
    ExistingOutputPolicy existing = ExistingOutputPolicy::Skip;
    bool dryRun = false;
    QString namePattern; // empty: outputs named as their inputs
    // How the fields filled on the settings' ID3 page meet each file's own tags.
    PageTags pageTags = PageTags::Fill;
};

// Exit statuses of the shell command.
inline constexpr int kEncodeAllDone = 0;    // every file finished or was skipped
inline constexpr int kEncodeSomeFailed = 1; // at least one file failed
inline constexpr int kEncodeSetupError = 2; // nothing started: settings, encoder, output folder

// A name as a report line shows it: as `ls -b` prints names, control characters, other
// characters that are not printable and bytes that are not UTF-8 become C escapes ("\n",
// "\t") or three octal digits ("\033", "\377"), and "\" becomes "\\", so that a name can
// neither act on the terminal nor break its line.
QString escapedForReport(const QByteArray &name);

// `fenwave --encode`: encodes the files of the request without a window: the options of the
// settings file (or the start values), the encoder found as the window finds it, every conflict
// settled before anything starts. A named input that does not exist or whose name is not valid
// UTF-8 is skipped before anything starts. One line per file that ended on `err`, names as given
// and escaped, then its state in the words of the batch list, in the stored interface language
// (English when none is stored): "in/a.wav -> in/a.mp3: Finished"; a live progress line with the elapsed and remaining time too
// when `err` is a terminal; with dryRun each job's command line on `out` instead, and nothing
// started. Reads the per-user store and never writes it.
class ShellEncode : public QObject
{
    Q_OBJECT
public:
    ShellEncode(const ShellEncodeRequest &request, QTextStream &out, QTextStream &err, QObject *parent = nullptr);
    ~ShellEncode() override;

    // Call it with the event loop running: done() may come before it returns.
    void start();

signals:
    // Once, when all is said: one of the exit statuses above, or 128 + the signal that
    // interrupted the batch.
    void done(int status);

private:
    class Batch;

    std::optional<int> prepareAndStart(const ShellEncodeRequest &request, QTextStream &out, QTextStream &err);

    const ShellEncodeRequest m_request;
    QTextStream &m_out;
    QTextStream &m_err;
    std::unique_ptr<Batch> m_batch;
};

} // namespace fenwave
