// Keyboard reach: Tab alone takes the user to every control that is enabled and shown, in the
// main window (page by page), the run window and the batch window. A set of radio buttons is
// one stop of the chain; the arrow keys move within it. The menu bar is no stop: Alt opens it.
#include "FormDriver.h"
#include "TestFiles.h"

#include "language/MessageTexts.h"
#include "ui/BatchWindow.h"
#include "ui/RunWindow.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QRadioButton>
#include <QSet>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using fenwave::BatchWindow;
using fenwave::RunWindow;
using testing::Window;

namespace {

// A control the user works with, as opposed to a part Qt builds inside one (the edit of a combo
// or spin box, which takes the focus on behalf of its box).
bool isStop(const QWidget *widget)
{
    return (widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() && widget->isVisible() && !widget->focusProxy()
           && !qobject_cast<const QComboBox *>(widget->parentWidget())
           && !qobject_cast<const QAbstractSpinBox *>(widget->parentWidget());
}

// What pressing Tab again and again reaches, starting wherever the focus is.
QSet<const QWidget *> reachedByTab(int presses)
{
    QSet<const QWidget *> reached;
    for (int i = 0; i < presses; ++i) {
        QWidget *focus = QApplication::focusWidget();
        if (!focus)
            break;
        reached << focus;
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    return reached;
}

// The controls Tab does not reach; of a set of radio buttons sharing a parent, one reached is
// enough.
QStringList missedControls(QWidget *window)
{
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return {QStringLiteral("<window never active>")};
    const QList<QWidget *> all = window->findChildren<QWidget *>();
    if (!QApplication::focusWidget()) {
        const auto first = std::find_if(all.begin(), all.end(), isStop);
        if (first != all.end())
            (*first)->setFocus(Qt::TabFocusReason);
    }
    const QSet<const QWidget *> reached = reachedByTab(2 * all.size());
    QSet<const QWidget *> radioSetsReached;
    for (const QWidget *widget : reached) {
        if (qobject_cast<const QRadioButton *>(widget))
            radioSetsReached << widget->parentWidget();
    }
    QStringList missed;
    for (const QWidget *widget : all) {
        if (!isStop(widget) || reached.contains(widget))
            continue;
        if (qobject_cast<const QRadioButton *>(widget) && radioSetsReached.contains(widget->parentWidget()))
            continue;
        missed << widget->objectName() + u'(' + QString::fromLatin1(widget->metaObject()->className()) + u')';
    }
    return missed;
}

} // namespace

class TestKeyboardReach : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void cleanup() { RunWindow::stopAllAndClose(); }
    void mainWindowPages_data();
    void mainWindowPages();
    void runWindow();
    void batchWindow();

private:
    QTemporaryDir m_dir;
};

void TestKeyboardReach::mainWindowPages_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("editableLine"); // "View only" unticked: Tab leaves the box, adds no tab
    int index = 0;
    for (const char *page : {"tabInput", "tabOutput", "tabBitrate", "tabFilter", "tabComment"})
        QTest::newRow(page) << index++ << false;
    QTest::newRow("tabInput, command line editable") << 0 << true;
}

// Each page as it shows at start; the page tabs themselves are a stop, so another page is one
// arrow key away.
void TestKeyboardReach::mainWindowPages()
{
    QFETCH(int, page);
    QFETCH(bool, editableLine);
    Window w;
    if (editableLine)
        w.d.click("flgReadOnly");
    const QString line = w.form.named<QPlainTextEdit>("edtCommandLine")->toPlainText();
    w.form.named<QTabWidget>("pgOptions")->setCurrentIndex(page);
    const QStringList missed = missedControls(&w.form);
    QVERIFY2(missed.isEmpty(), qPrintable(missed.join(u' ')));
    QCOMPARE(w.form.named<QPlainTextEdit>("edtCommandLine")->toPlainText(), line);
}

void TestKeyboardReach::runWindow()
{
    const QString program = m_dir.filePath(QStringLiteral("slow encoder"));
    QVERIFY(testing::writeExecutable(program, "#!/bin/sh\nsleep 30\n"));
    RunWindow *window = RunWindow::start({program}, m_dir.path(), QStringLiteral("in.wav"), QString(),
                                         fenwave::messageTextsFor(fenwave::Language::English));
    QVERIFY(window);
    const QStringList missed = missedControls(window);
    QVERIFY2(missed.isEmpty(), qPrintable(missed.join(u' ')));
}

void TestKeyboardReach::batchWindow()
{
    Window w;
    const QString input = m_dir.filePath(QStringLiteral("a.wav"));
    QVERIFY(testing::writeAll(input, "RIFF"));
    w.form.LamePath = m_dir.filePath(QStringLiteral("none"));
    BatchWindow *batch = w.form.openBatchWindow({input});
    QVERIFY(batch);
    const QStringList missed = missedControls(batch);
    delete batch;
    QVERIFY2(missed.isEmpty(), qPrintable(missed.join(u' ')));
}

QTEST_MAIN(TestKeyboardReach)
#include "tst_keyboardreach.moc"
