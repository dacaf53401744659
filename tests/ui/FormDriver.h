// Drives the real window the way a user does: clicks, typing and key presses through QTest.
#pragma once

#include "options/CommandLine.h"
#include "settings/UserStore.h"
#include "unMain.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QPointer>
#include <QTimer>

#include <functional>

namespace testing {

constexpr fenwave::Language kEnglish = fenwave::Language::English;
constexpr fenwave::Language kRussian = fenwave::Language::Russian;

// Gives this test program a per-user store of its own, in a home folder of its own: other test
// programs that run at the same time write theirs. Call from initTestCase.
inline void usePrivateHome()
{
    static QTemporaryDir home;
    QVERIFY(home.isValid());
    qputenv("HOME", QFile::encodeName(home.path()));
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(fenwave::UserStore::defaultFilePath().startsWith(home.path()));
}

inline QWidget *pageOf(QWidget *widget)
{
    for (QWidget *w = widget; w; w = w->parentWidget()) {
        if (w->parentWidget() && w->parentWidget()->parentWidget()
            && qobject_cast<QTabWidget *>(w->parentWidget()->parentWidget()))
            return w;
    }
    return nullptr;
}

// The caption a user sees on a label, button, frame, page tab or menu item; null for others.
inline QString captionOf(const QObject *target)
{
    if (auto *label = qobject_cast<const QLabel *>(target))
        return label->text();
    if (auto *button = qobject_cast<const QAbstractButton *>(target))
        return button->text();
    if (auto *group = qobject_cast<const QGroupBox *>(target))
        return group->title();
    if (auto *action = qobject_cast<const QAction *>(target))
        return action->text();
    if (auto *page = qobject_cast<const QWidget *>(target)) {
        if (QWidget *stack = page->parentWidget()) {
            if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget()))
                return tabs->tabText(tabs->indexOf(const_cast<QWidget *>(page)));
        }
    }
    return QString();
}

// Moves the pointer onto `widget` and lets the window react. Qt drops a move to where the
// pointer already is.
inline void restPointer(QWidget *widget, QPoint position)
{
    QTest::mouseMove(widget, position);
    QCoreApplication::processEvents();
}

class FormDriver
{
public:
    explicit FormDriver(TForm1 &form) : form(form) {}

    template <class T = QWidget> T *w(const QString &name) const
    {
        T *widget = form.named<T>(name);
        if (!widget)
            qFatal("no control named %s", qPrintable(name));
        return widget;
    }

    // A menu item chosen, as by a click or its shortcut.
    void trigger(const QString &name) const { w<QAction>(name)->trigger(); }
    void switchTo(fenwave::Language language) const { trigger(language == kRussian ? "mnuRussian" : "mnuEnglish"); }

    void showPageOf(QWidget *widget) const
    {
        if (QWidget *page = pageOf(widget))
            w<QTabWidget>("pgOptions")->setCurrentWidget(page);
    }

    // A click on a check box or radio button, on its indicator, as a user makes it.
    void click(const QString &name) const
    {
        auto *button = w<QAbstractButton>(name);
        showPageOf(button);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }

    void type(const QString &name, const QString &text) const
    {
        auto *edit = w<QLineEdit>(name);
        showPageOf(edit);
        edit->setFocus();
        typeInto(edit, text);
    }

    // Types any text, Cyrillic and quotes included, one key event per character.
    static void typeInto(QWidget *widget, const QString &text)
    {
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }

    void clearByKeys(const QString &name) const
    {
        auto *edit = w<QLineEdit>(name);
        showPageOf(edit);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
    }

    // Picks the item below the current one with the arrow key.
    void pickNext(const QString &name) const
    {
        auto *combo = w<QComboBox>(name);
        showPageOf(combo);
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
    }

    // Writes `text` over the command line by keys, unlocking it first if View only locks it.
    void replaceCommandLine(const QString &text) const
    {
        QPlainTextEdit *box = unlockedCommandLine();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        typeInto(box, text);
    }

    // Types `text` at the end of the command line, unlocking it first if View only locks it.
    void appendToCommandLine(const QString &text) const
    {
        QPlainTextEdit *box = unlockedCommandLine();
        box->moveCursor(QTextCursor::End);
        typeInto(box, text);
    }

    QPlainTextEdit *unlockedCommandLine() const
    {
        if (checked("flgReadOnly"))
            click("flgReadOnly");
        auto *box = w<QPlainTextEdit>("edtCommandLine");
        box->setFocus();
        return box;
    }

    bool checked(const QString &name) const { return w<QAbstractButton>(name)->isChecked(); }
    bool own(const QString &name) const { return !w(name)->testAttribute(Qt::WA_ForceDisabled); }
    QString line() const { return w<QPlainTextEdit>("edtCommandLine")->toPlainText(); }
    QString full() const { return fenwave::composeFullCommandLine(form.optionSet()); }
    QString shortForm() const { return fenwave::composeShortCommandLine(form.optionSet()); }

    TForm1 &form;
};

// A window in English whatever the per-user store says; puts LamePath and Language back as it
// found them on destruction, so that the store the next window reads is not changed.
struct Window {
    Window() : d(form), storedLamePath(form.LamePath), storedLanguage(form.Language)
    {
        form.named<QAction>("mnuEnglish")->trigger();
    }
    ~Window()
    {
        form.LamePath = storedLamePath;
        form.Language = storedLanguage;
    }
    TForm1 form;
    FormDriver d;
    QString storedLamePath;
    fenwave::Language storedLanguage;
};

// What one message box looked like.
struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::StandardButton escapeButton = QMessageBox::NoButton;
};

// Answers the modal dialogs and message boxes that show while it lives: runs `answer` on each
// once it shows, and records its title and, for a message box, how it looked.
class ModalAnswer
{
public:
    explicit ModalAnswer(std::function<void(QWidget *)> answer) : m_answer(std::move(answer))
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            // A box that is gone reads as null here, so a new box at the same address (a stack
            // object of the same frame) counts as new.
            if (!modal || m_seen.contains(modal))
                return;
            m_seen.removeAll(nullptr);
            m_seen << modal;
            ++count;
            title = modal->windowTitle();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                text = box->text();
                icon = box->icon();
                boxes << SeenBox{title,
                                 text,
                                 icon,
                                 box->standardButtons(),
                                 box->standardButton(box->defaultButton()),
                                 box->standardButton(qobject_cast<QAbstractButton *>(box->escapeButton()))};
            }
            m_answer(modal);
        });
        m_timer.start();
    }

    static void press(QWidget *modal, QMessageBox::StandardButton which)
    {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QTest::mouseClick(box->button(which), Qt::LeftButton);
    }
    static void key(QWidget *modal, Qt::Key key) { QTest::keyClick(modal, key); }

    int count = 0;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<SeenBox> boxes;

private:
    std::function<void(QWidget *)> m_answer;
    QTimer m_timer;
    QList<QPointer<QWidget>> m_seen;
};

} // namespace testing
