#include "FormDriver.h"
#include "ui/HintTracker.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>

using fenwave::HintTracker;
using fenwave::kHintProperty;

using testing::restPointer;

namespace {

// A small window shaped like the real one: pages with hints, controls with and without.
struct HintWindow {
    QWidget window;
    QTabWidget *pages = nullptr;
    QWidget *page = nullptr;
    QWidget *emptySpot = nullptr;
    QLabel *plainLabel = nullptr;
    QLineEdit *hintedEdit = nullptr;
    QCheckBox *disabledHinted = nullptr;
    QGroupBox *disabledGroup = nullptr;
    QCheckBox *insideDisabledGroup = nullptr;
    QLabel *labelInDisabledGroup = nullptr;
    QPlainTextEdit *memo = nullptr;

    HintWindow()
    {
        window.setGeometry(100, 100, 400, 400);
        pages = new QTabWidget(&window);
        pages->setGeometry(0, 0, 400, 300);
        page = new QWidget;
        page->setProperty(kHintProperty, QStringLiteral("Input file options"));
        pages->addTab(page, QStringLiteral("Input"));

        plainLabel = new QLabel(QStringLiteral("Label without hint"), page);
        plainLabel->setGeometry(10, 10, 150, 20);
        hintedEdit = new QLineEdit(page);
        hintedEdit->setGeometry(10, 40, 150, 20);
        hintedEdit->setProperty(kHintProperty, QStringLiteral("Input file location"));
        disabledHinted = new QCheckBox(QStringLiteral("disabled"), page);
        disabledHinted->setGeometry(10, 70, 150, 20);
        disabledHinted->setProperty(kHintProperty, QStringLiteral("Swap bytes"));
        disabledHinted->setEnabled(false);

        disabledGroup = new QGroupBox(QStringLiteral("Group"), page);
        disabledGroup->setGeometry(180, 10, 200, 120);
        disabledGroup->setProperty(kHintProperty, QStringLiteral("Группа"));
        insideDisabledGroup = new QCheckBox(QStringLiteral("inside"), disabledGroup);
        insideDisabledGroup->setGeometry(10, 30, 150, 20);
        insideDisabledGroup->setProperty(kHintProperty, QStringLiteral("Inside hint"));
        labelInDisabledGroup = new QLabel(QStringLiteral("plain"), disabledGroup);
        labelInDisabledGroup->setGeometry(10, 70, 150, 20);
        disabledGroup->setEnabled(false);

        memo = new QPlainTextEdit(&window);
        memo->setGeometry(0, 310, 400, 80);
        memo->setProperty(kHintProperty, QStringLiteral("Command line"));

        emptySpot = page;
        window.show();
    }
};

QPoint centreOf(const QWidget *widget)
{
    return widget->rect().center();
}

} // namespace

class TestHintTracker : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { testing::usePrivateHome(); }
    void init();
    void cleanup();

    void pointerShowsNearestHint_data();
    void pointerShowsNearestHint();
    void emitsOncePerActualChange();
    void leavingTheWindowClearsTheHint();
    void pointerLeavesAndComesBack_data();
    void pointerLeavesAndComesBack();
    void setCurrentHintEmitsOnlyOnChange();
    void menuItemShowsItsHintAndClosingClears();
    void closedMenuShowsHintUnderPointerWhenIdle_data();
    void closedMenuShowsHintUnderPointerWhenIdle();
    void menuBarItemReachedByKeyboardShowsItsHint_data();
    void menuBarItemReachedByKeyboardShowsItsHint();
    void changedHintPropertyIsPickedUp();

private:
    std::unique_ptr<HintWindow> m_window;
    std::unique_ptr<HintTracker> m_tracker;
};

void TestHintTracker::init()
{
    m_window = std::make_unique<HintWindow>();
    QVERIFY(QTest::qWaitForWindowExposed(&m_window->window));
    // Qt drops a move to where the pointer already is: park it where no test goes.
    restPointer(&m_window->window, QPoint(395, 395));
    m_tracker = std::make_unique<HintTracker>();
}

void TestHintTracker::cleanup()
{
    m_tracker.reset();
    m_window.reset();
}

enum class Target {
    PageEmptySpot,
    PlainLabel,
    HintedEdit,
    DisabledHinted,
    InsideDisabledGroup,
    LabelInDisabledGroup,
    DisabledGroupFrame,
    MemoViewport,
    TabBar
};
Q_DECLARE_METATYPE(Target)

// clang-format off
void TestHintTracker::pointerShowsNearestHint_data()
{
    QTest::addColumn<Target>("target");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty part of page") << Target::PageEmptySpot << "Input file options";
    QTest::newRow("label without hint") << Target::PlainLabel << "Input file options";
    QTest::newRow("control with hint") << Target::HintedEdit << "Input file location";
    QTest::newRow("disabled control") << Target::DisabledHinted << "Swap bytes";
    QTest::newRow("control in disabled group") << Target::InsideDisabledGroup << "Inside hint";
    QTest::newRow("label in disabled group") << Target::LabelInDisabledGroup << "Группа";
    QTest::newRow("frame of disabled group") << Target::DisabledGroupFrame << "Группа";
    QTest::newRow("inner part of a control") << Target::MemoViewport << "Command line";
    QTest::newRow("nothing with a hint") << Target::TabBar << "";
}
// clang-format on

void TestHintTracker::pointerShowsNearestHint()
{
    QFETCH(Target, target);
    QFETCH(QString, expected);
    HintWindow &w = *m_window;

    // Start somewhere else so that every row is a change.
    restPointer(w.hintedEdit, centreOf(w.hintedEdit));
    m_tracker->setCurrentHint(QStringLiteral("stale"));

    switch (target) {
    case Target::PageEmptySpot: restPointer(w.page, QPoint(100, 250)); break;
    case Target::PlainLabel: restPointer(w.plainLabel, centreOf(w.plainLabel)); break;
    case Target::HintedEdit: restPointer(w.hintedEdit, centreOf(w.hintedEdit) + QPoint(1, 0)); break;
    case Target::DisabledHinted: restPointer(w.disabledHinted, centreOf(w.disabledHinted)); break;
    case Target::InsideDisabledGroup: restPointer(w.insideDisabledGroup, centreOf(w.insideDisabledGroup)); break;
    case Target::LabelInDisabledGroup: restPointer(w.labelInDisabledGroup, centreOf(w.labelInDisabledGroup)); break;
    case Target::DisabledGroupFrame: restPointer(w.disabledGroup, QPoint(100, 110)); break;
    case Target::MemoViewport: restPointer(w.memo->viewport(), centreOf(w.memo->viewport())); break;
    case Target::TabBar: restPointer(w.pages, QPoint(10, 5)); break;
    }
    QTRY_COMPARE(m_tracker->currentHint(), expected);
}

void TestHintTracker::emitsOncePerActualChange()
{
    HintWindow &w = *m_window;
    QSignalSpy spy(m_tracker.get(), &HintTracker::hintChanged);

    restPointer(w.hintedEdit, QPoint(5, 5));
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("Input file location"));

    // Moving within the same control, or between two spots with the same hint, changes nothing.
    restPointer(w.hintedEdit, QPoint(20, 6));
    restPointer(w.hintedEdit, QPoint(30, 7));
    QTest::qWait(20);
    QCOMPARE(spy.count(), 1);

    restPointer(w.plainLabel, centreOf(w.plainLabel));
    QTRY_COMPARE(spy.count(), 2);
    restPointer(w.page, QPoint(100, 250)); // same page hint as the label
    QTest::qWait(20);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toString(), QStringLiteral("Input file options"));

    restPointer(w.disabledHinted, centreOf(w.disabledHinted));
    QTRY_COMPARE(spy.count(), 3);
    QCOMPARE(spy.at(2).at(0).toString(), QStringLiteral("Swap bytes"));
}

void TestHintTracker::leavingTheWindowClearsTheHint()
{
    HintWindow &w = *m_window;
    restPointer(w.hintedEdit, centreOf(w.hintedEdit));
    QTRY_COMPARE(m_tracker->currentHint(), QStringLiteral("Input file location"));

    // The pointer leaves for the desktop: no widget of ours is under it any more.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&w.window, &leave);
    QTRY_COMPARE(m_tracker->currentHint(), QString());

    restPointer(w.hintedEdit, QPoint(3, 3));
    QTRY_COMPARE(m_tracker->currentHint(), QStringLiteral("Input file location"));

    // Another window of the program without any hint.
    QWidget other;
    other.setGeometry(600, 100, 100, 100);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    restPointer(&other, QPoint(50, 50));
    QTRY_COMPARE(m_tracker->currentHint(), QString());
}

// What happens to the pointer, and the hint the panel shows afterwards.
enum class Happening {
    MoveOnto,          // a real pointer move onto the target
    WindowLeft,        // the pointer leaves the window for the desktop
    WindowLeftFrom,    // the same, the leave carrying the target's position as where it left
    BareEnter,         // an Enter without a position, sent by a program to the window
    TargetHidden,      // the target under the resting pointer disappears
    TargetShown,       // ... and appears again
    MenuLeftAndClosed, // a menu opened over the target loses the pointer, is closed by Escape,
                       // and its leave comes once more, late
};
struct HintStep {
    Happening happening;
    Target target;
    QString expected;
};
Q_DECLARE_METATYPE(QList<HintStep>)

namespace {

QWidget *widgetOf(HintWindow &w, Target target)
{
    switch (target) {
    case Target::PlainLabel: return w.plainLabel;
    case Target::HintedEdit: return w.hintedEdit;
    case Target::MemoViewport: return w.memo->viewport();
    default: return w.page;
    }
}

} // namespace

// clang-format off
void TestHintTracker::pointerLeavesAndComesBack_data()
{
    QTest::addColumn<QList<HintStep>>("steps");
    const QString edit = QStringLiteral("Input file location"), page = QStringLiteral("Input file options");
    const QString memo = QStringLiteral("Command line");
    using H = Happening;
    using T = Target;
    QTest::newRow("hinted control to its parent and back")
        << QList<HintStep>{{H::MoveOnto, T::HintedEdit, edit}, {H::MoveOnto, T::PageEmptySpot, page},
                           {H::MoveOnto, T::HintedEdit, edit}};
    QTest::newRow("hinted control to one without, to nothing with a hint")
        << QList<HintStep>{{H::MoveOnto, T::HintedEdit, edit}, {H::MoveOnto, T::PlainLabel, page},
                           {H::MoveOnto, T::TabBar, ""}, {H::MoveOnto, T::MemoViewport, memo}};
    QTest::newRow("window left and the same control entered again")
        << QList<HintStep>{{H::MoveOnto, T::HintedEdit, edit}, {H::WindowLeft, T::HintedEdit, ""},
                           {H::MoveOnto, T::HintedEdit, edit}, {H::WindowLeft, T::HintedEdit, ""}};
    QTest::newRow("window left, the leave telling where from")
        << QList<HintStep>{{H::MoveOnto, T::MemoViewport, memo}, {H::WindowLeftFrom, T::HintedEdit, ""}};
    QTest::newRow("enter without a position")
        << QList<HintStep>{{H::MoveOnto, T::HintedEdit, edit}, {H::BareEnter, T::HintedEdit, edit}};
    QTest::newRow("control under the pointer hidden and shown")
        << QList<HintStep>{{H::MoveOnto, T::HintedEdit, edit}, {H::TargetHidden, T::HintedEdit, page},
                           {H::TargetShown, T::HintedEdit, edit}};
    QTest::newRow("menu over a control loses the pointer")
        << QList<HintStep>{{H::MoveOnto, T::HintedEdit, edit}, {H::MenuLeftAndClosed, T::HintedEdit, edit}};
}
// clang-format on

void TestHintTracker::pointerLeavesAndComesBack()
{
    QFETCH(QList<HintStep>, steps);
    HintWindow &w = *m_window;
    int moves = 0;
    for (const HintStep &step : steps) {
        QWidget *target = widgetOf(w, step.target);
        // A spot inside the target; a move to the spot the pointer is on would be dropped.
        const QPoint spot = step.target == Target::PageEmptySpot ? QPoint(100, 250)
                            : step.target == Target::TabBar      ? QPoint(10 + moves % 2, 5)
                                                                 : centreOf(target) + QPoint(moves % 2, 0);
        switch (step.happening) {
        case Happening::MoveOnto:
            restPointer(step.target == Target::TabBar ? w.pages : target, spot);
            ++moves;
            break;
        case Happening::WindowLeft: {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(&w.window, &leave);
            break;
        }
        case Happening::WindowLeftFrom: {
            QMouseEvent leave(QEvent::Leave, QPointF(w.window.mapFromGlobal(target->mapToGlobal(spot))),
                              QPointF(target->mapToGlobal(spot)), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&w.window, &leave);
            break;
        }
        case Happening::BareEnter: {
            QEvent enter(QEvent::Enter);
            QCoreApplication::sendEvent(&w.window, &enter);
            break;
        }
        case Happening::TargetHidden: target->hide(); break;
        case Happening::TargetShown: target->show(); break;
        case Happening::MenuLeftAndClosed: {
            QMenu menu(&w.window);
            menu.addAction(QStringLiteral("Run"))->setProperty(kHintProperty, QStringLiteral("Run hint"));
            m_tracker->watchMenu(&menu);
            menu.popup(target->mapToGlobal(QPoint(0, 0)));
            QVERIFY(QTest::qWaitForWindowExposed(&menu));
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(&menu, &leave);
            QCoreApplication::processEvents();
            QTest::keyClick(&menu, Qt::Key_Escape);
            QTRY_VERIFY(!menu.isVisible());
            QTRY_COMPARE(m_tracker->currentHint(), step.expected);
            // The window system may deliver the closed menu's leave after the window's enter.
            QCoreApplication::sendEvent(&menu, &leave);
            break;
        }
        }
        QTRY_COMPARE(m_tracker->currentHint(), step.expected);
        // Nothing later takes it away.
        QTest::qWait(20);
        QCOMPARE(m_tracker->currentHint(), step.expected);
    }
}

void TestHintTracker::setCurrentHintEmitsOnlyOnChange()
{
    QSignalSpy spy(m_tracker.get(), &HintTracker::hintChanged);
    m_tracker->setCurrentHint(QStringLiteral("a"));
    m_tracker->setCurrentHint(QStringLiteral("a"));
    m_tracker->setCurrentHint(QString());
    m_tracker->setCurrentHint(QStringLiteral(""));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("a"));
    QCOMPARE(spy.at(1).at(0).toString(), QString());
}

void TestHintTracker::menuItemShowsItsHintAndClosingClears()
{
    HintWindow &w = *m_window;
    QMenu menu(&w.window);
    QAction *run = menu.addAction(QStringLiteral("Run"));
    run->setProperty(kHintProperty, QStringLiteral("Run encoding with selected options"));
    QAction *english = menu.addAction(QStringLiteral("English"));
    m_tracker->watchMenu(&menu);

    restPointer(w.hintedEdit, centreOf(w.hintedEdit));
    QTRY_COMPARE(m_tracker->currentHint(), QStringLiteral("Input file location"));

    QSignalSpy spy(m_tracker.get(), &HintTracker::hintChanged);
    menu.popup(w.window.mapToGlobal(QPoint(10, 10)));
    QVERIFY(QTest::qWaitForWindowExposed(&menu));

    restPointer(&menu, menu.actionGeometry(run).center());
    QTRY_COMPARE(m_tracker->currentHint(), QStringLiteral("Run encoding with selected options"));
    restPointer(&menu, menu.actionGeometry(english).center());
    QTRY_COMPARE(m_tracker->currentHint(), QString());
    restPointer(&menu, menu.actionGeometry(run).center());
    QTRY_COMPARE(m_tracker->currentHint(), QStringLiteral("Run encoding with selected options"));

    menu.hide();
    QCOMPARE(m_tracker->currentHint(), QString());
    const QStringList expected{QStringLiteral("Run encoding with selected options"), QString(),
                               QStringLiteral("Run encoding with selected options"), QString()};
    QStringList seen;
    for (const QList<QVariant> &arguments : spy)
        seen << arguments.at(0).toString();
    QCOMPARE(seen, expected);
}

// clang-format off
void TestHintTracker::closedMenuShowsHintUnderPointerWhenIdle_data()
{
    QTest::addColumn<Target>("under");  // what lies under the menu item the pointer rests on
    QTest::addColumn<QString>("expected");
    QTest::newRow("control with hint") << Target::HintedEdit << "Input file location";
    QTest::newRow("label without hint") << Target::PlainLabel << "Input file options";
    QTest::newRow("inner part of a control") << Target::MemoViewport << "Command line";
    QTest::newRow("nothing with a hint") << Target::TabBar << "";
}
// clang-format on

void TestHintTracker::closedMenuShowsHintUnderPointerWhenIdle()
{
    QFETCH(Target, under);
    QFETCH(QString, expected);
    HintWindow &w = *m_window;
    QMenu menu(&w.window);
    QAction *run = menu.addAction(QStringLiteral("Run"));
    run->setProperty(kHintProperty, QStringLiteral("Run hint"));
    m_tracker->watchMenu(&menu);

    QPoint spot;
    switch (under) {
    case Target::HintedEdit: spot = w.hintedEdit->mapToGlobal(centreOf(w.hintedEdit)); break;
    case Target::PlainLabel: spot = w.plainLabel->mapToGlobal(centreOf(w.plainLabel)); break;
    case Target::MemoViewport: spot = w.memo->viewport()->mapToGlobal(centreOf(w.memo->viewport())); break;
    default: spot = w.pages->mapToGlobal(QPoint(10, 5)); break;
    }
    // The item "Run" comes to lie over the spot.
    menu.popup(spot - menu.actionGeometry(run).center());
    QVERIFY(QTest::qWaitForWindowExposed(&menu));
    QCOMPARE(menu.mapToGlobal(menu.actionGeometry(run).center()), spot);
    restPointer(&menu, menu.actionGeometry(run).center());
    QTRY_COMPARE(m_tracker->currentHint(), QStringLiteral("Run hint"));

    QSignalSpy spy(m_tracker.get(), &HintTracker::hintChanged);
    menu.hide();
    QCOMPARE(m_tracker->currentHint(), QString());
    // No pointer movement: the next idle moment brings the hint of what lies under it.
    QTRY_COMPARE(m_tracker->currentHint(), expected);
    QStringList seen;
    for (const QList<QVariant> &arguments : spy)
        seen << arguments.at(0).toString();
    QCOMPARE(seen.value(0), QString());
    QCOMPARE(seen.size(), expected.isEmpty() ? 1 : 2);
}

// clang-format off
void TestHintTracker::menuBarItemReachedByKeyboardShowsItsHint_data()
{
    QTest::addColumn<QList<int>>("arrows");  // pressed after Alt
    QTest::addColumn<QString>("expected");
    QTest::newRow("first item, no hint") << QList<int>{} << "";
    QTest::newRow("left to the last item") << QList<int>{Qt::Key_Left} << "Exit program";
    QTest::newRow("right to the last item") << QList<int>{Qt::Key_Right, Qt::Key_Right} << "Exit program";
    QTest::newRow("on and back") << QList<int>{Qt::Key_Left, Qt::Key_Left} << "";
}
// clang-format on

void TestHintTracker::menuBarItemReachedByKeyboardShowsItsHint()
{
    QFETCH(QList<int>, arrows);
    QFETCH(QString, expected);

    TForm1 form;
    form.named<QAction>(QStringLiteral("mnuEnglish"))->trigger();
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto *panel = form.named<QLabel>(QStringLiteral("stsStringPanel"));
    QVERIFY(panel);
    // The pointer rests on a control with a hint, so that every row is a change.
    auto *input = form.named<QWidget>(QStringLiteral("edtInput"));
    QTest::mouseMove(input, centreOf(input));
    QTRY_COMPARE(panel->text(), QStringLiteral("Input file location"));

    QWidget *focus = QApplication::focusWidget();
    QVERIFY(focus);
    QTest::keyPress(focus, Qt::Key_Alt);
    QTest::keyRelease(focus, Qt::Key_Alt, Qt::AltModifier);
    for (int key : arrows)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QTRY_COMPARE(panel->text(), expected);
    // Pending pointer events do not take it away while the item stays highlighted.
    QTest::qWait(20);
    QCOMPARE(panel->text(), expected);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!form.menuBar()->activeAction());
}

void TestHintTracker::changedHintPropertyIsPickedUp()
{
    HintWindow &w = *m_window;
    restPointer(w.hintedEdit, centreOf(w.hintedEdit));
    QTRY_COMPARE(m_tracker->currentHint(), QStringLiteral("Input file location"));

    // A language switch replaces the texts while the pointer rests.
    w.hintedEdit->setProperty(kHintProperty, QStringLiteral("Расположение входного файла"));
    QTRY_COMPARE(m_tracker->currentHint(), QStringLiteral("Расположение входного файла"));

    w.hintedEdit->setProperty(kHintProperty, QString());
    QTRY_COMPARE(m_tracker->currentHint(), QStringLiteral("Input file options"));
}

QTEST_MAIN(TestHintTracker)
#include "tst_hinttracker.moc"
