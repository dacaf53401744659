#include "app/MissingDisplay.h"

#include "ProgramIdentity.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace fenwave {

namespace {

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

QtMessageHandler previousHandler = nullptr;
QList<HeldMessage> heldMessages;

void passOn(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (previousHandler)
        previousHandler(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

void whileStarting(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg && text.contains(QLatin1String("platform plugin"))) {
        std::fprintf(stderr, "%s: no display could be opened; --help and --version work without one\n", kProgramName);
        std::fflush(stderr);
        // The application object is half made: leave without running any destructor.
        std::_Exit(1);
    }
    // The details of a failing start ("could not connect to display", ...) come first.
    if (context.category && qstrncmp(context.category, "qt.qpa", 6) == 0) {
        heldMessages.append({type, QByteArray(context.category), text});
        return;
    }
    passOn(type, context, text);
}

} // namespace

void reportMissingDisplayInOneLine()
{
    previousHandler = qInstallMessageHandler(whileStarting);
}

void endMissingDisplayReport()
{
    qInstallMessageHandler(previousHandler);
    for (const HeldMessage &message : std::exchange(heldMessages, {})) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        passOn(message.type, context, message.text);
    }
}

} // namespace fenwave
