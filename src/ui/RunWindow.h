#pragma once

#include "language/MessageTexts.h"
#include "ui/TerminalOutput.h"

#include <QStringDecoder>
#include <QTimer>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace fenwave {

class EncoderJob;
struct EncoderProgress;

// One encoder run (an EncoderJob) shown in a window of the program's own, for systems without a terminal
// emulator: the encoder's output as it comes, a progress bar fed by its progress lines, and at
// the end the outcome in words, until the user closes the window. A top-level window without a
// parent: the main window goes on at once, several runs may be open, and closing the main
// window does not tear them down by itself.
//
// The job writes the output in place: a run that is stopped (Stop, closing the window, the end
// of the program) does not leave a partial output behind: an output that did not exist before
// the run is removed, and one that did is named as incomplete in the outcome line.
class RunWindow : public QWidget
{
    Q_OBJECT
public:
    // Starts `command` (the program's file, then its arguments) without a shell in `folder`,
    // with standard input from the null device and TERM=dumb, and shows the window.
    // `outputName` is the file the run writes (blanks around it do not count; a relative name
    // is taken against `folder`; empty for none). Returns null, showing nothing, when the
    // program would not start.
    static RunWindow *start(const QStringList &command, const QString &folder, const QString &inputName,
                            const QString &outputName, const MessageTexts &texts);

    static QList<RunWindow *> windows();
    static bool anyRunning();
    // For the end of the program: stops every running encoder, waiting briefly before it kills
    // one that goes on, and closes every run window.
    static void stopAllAndClose();

    ~RunWindow() override;

    bool isRunning() const;
    // The texts of another language: the Stop button and the state or outcome shown change.
    void setTexts(const MessageTexts &texts);

public slots:
    // Asks the encoder and whatever it started to end, and kills them when they have not ended
    // after a short grace. Never waits.
    void stop();

protected:
    // Closing a running window asks first; yes stops the encoder, and the window goes once it
    // has ended.
    void closeEvent(QCloseEvent *event) override;

private:
    explicit RunWindow(const MessageTexts &texts);
    void takeOutput();
    bool showSomeOutput();
    void showProgress(const EncoderProgress &progress);
    void jobFinished();
    void showState();

    MessageTexts m_texts;
    EncoderJob *m_job = nullptr;
    QPlainTextEdit *m_view;
    QProgressBar *m_progress;
    QLabel *m_outcome;
    QPushButton *m_stop;
    QTimer m_moreOutput; // output is waiting: it is shown in the next round of the event loop
    QStringDecoder m_decoder{QStringDecoder::Utf8};
    TerminalOutput m_terminal;
    QString m_pending;           // output decoded but not shown yet
    qsizetype m_pendingFrom = 0; // where its unshown part starts
    QString m_outputName;        // as the user gave it
    bool m_closeWhenFinished = false;
};

} // namespace fenwave
