#pragma once

#include "language/MessageTexts.h"

#include <QProcess>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTimer>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace fenwave {

// One encoder run shown in a window of the program's own, for systems without a terminal
// emulator: the encoder's output as it comes, a progress bar fed by its progress lines, and at
// the end the outcome in words, until the user closes the window. A top-level window without a
// parent: the main window goes on at once, several runs may be open, and closing the main
// window does not tear them down by itself.
class RunWindow : public QWidget
{
    Q_OBJECT
public:
    // Starts `command` (the program's file, then its arguments) without a shell in `folder`,
    // with standard input from the null device and TERM=dumb, and shows the window. Returns
    // null, showing nothing, when the program would not start.
    static RunWindow *start(const QStringList &command, const QString &folder, const QString &inputName,
                            const MessageTexts &texts);

    static QList<RunWindow *> windows();
    static bool anyRunning();
    // For the end of the program: stops every running encoder, waiting briefly before it kills
    // one that goes on, and closes every run window.
    static void stopAllAndClose();

    ~RunWindow() override;

    bool isRunning() const;
    QProcess *process() const { return m_process; }

public slots:
    // Asks the encoder to end, and kills it when it has not ended after a short grace. Never
    // waits.
    void stop();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    explicit RunWindow(const MessageTexts &texts);
    void takeOutput();
    void write(QStringView text);
    void writeText(QStringView text);
    void endSegment();
    void processFinished(int exitCode, QProcess::ExitStatus status);

    MessageTexts m_texts;
    QProcess *m_process;
    QPlainTextEdit *m_view;
    QProgressBar *m_progress;
    QLabel *m_outcome;
    QPushButton *m_stop;
    QTimer m_killTimer;
    QStringDecoder m_decoder{QStringDecoder::Utf8};
    QTextCursor m_cursor;     // where the encoder writes next
    bool m_clearLine = false; // a CR came: the next text replaces the line
    QString m_escape;         // an escape sequence not yet complete
    QString m_segment;        // the text since the last CR or LF, for the progress
    bool m_closeWhenFinished = false;
};

} // namespace fenwave
