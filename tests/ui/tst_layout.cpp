// The window as the builder makes it from the layout and menu tables.

#include "CaptionFit.h"
#include "ExpectedData.h"
#include "WindowPictures.h"
#include "ProgramIdentity.h"
#include "language/LanguageTables.h"
#include "ui/LayoutTable.h"
#include "ui/MenuTable.h"
#include "ui/ControlBinding.h"
#include "ui/WindowBuilder.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHash>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>

using namespace fenwave;

namespace {

bool hasClassOfKind(QWidget *widget, ControlKind kind)
{
    switch (kind) {
    case ControlKind::PageControl: return qobject_cast<QTabWidget *>(widget);
    case ControlKind::Page: return widget->metaObject() == &QWidget::staticMetaObject;
    case ControlKind::GroupBox:
    case ControlKind::RadioGroup: return qobject_cast<QGroupBox *>(widget);
    case ControlKind::Label: return qobject_cast<QLabel *>(widget);
    case ControlKind::CheckBox: return qobject_cast<QCheckBox *>(widget);
    case ControlKind::RadioButton: return qobject_cast<QRadioButton *>(widget);
    case ControlKind::Edit: return qobject_cast<QLineEdit *>(widget);
    case ControlKind::Memo: return qobject_cast<QPlainTextEdit *>(widget);
    case ControlKind::ComboBox: return qobject_cast<QComboBox *>(widget);
    case ControlKind::Button: return qobject_cast<QPushButton *>(widget);
    }
    return false;
}

bool ownEnabledFlag(const QWidget *widget)
{
    return !widget->testAttribute(Qt::WA_ForceDisabled);
}

QObject *findTarget(QMainWindow *window, const char *name)
{
    const QString objectName = QString::fromUtf8(name);
    if (QWidget *widget = window->findChild<QWidget *>(objectName))
        return widget;
    return window->findChild<QAction *>(objectName);
}

// The captions and left edges of a language, as the language switch puts them.
void applyLanguageTexts(QMainWindow *window, fenwave::Language language)
{
    for (const QStringList &row : testing::expectedTexts(
             language == fenwave::Language::Russian ? "language_ru.tsv" : "language_en.tsv", "caption"))
        setCaption(findTarget(window, row.at(0).toUtf8().constData()), row.at(1));
    for (const auto &[name, x] : testing::leftEdges(language)) {
        QWidget *control = window->findChild<QWidget *>(name);
        control->move(x, control->y());
    }
}

// Position of each widget in the window's focus chain, starting at pgOptions.
QHash<QWidget *, int> focusChainPositions(QWidget *start)
{
    QHash<QWidget *, int> positions;
    QWidget *widget = start;
    for (int i = 0; widget && !positions.contains(widget); ++i) {
        positions.insert(widget, i);
        widget = widget->nextInFocusChain();
    }
    return positions;
}

// The first widget of `widget` (itself or a descendant) that takes focus by Tab.
QWidget *firstFocusable(QWidget *widget, const QHash<QWidget *, int> &chain)
{
    if (widget->focusPolicy() & Qt::TabFocus)
        return widget;
    QWidget *first = nullptr;
    const auto children = widget->findChildren<QWidget *>();
    for (QWidget *child : children) {
        if ((child->focusPolicy() & Qt::TabFocus) && chain.contains(child)
            && (!first || chain.value(child) < chain.value(first)))
            first = child;
    }
    return first;
}

} // namespace

class TestLayout : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QMainWindow> window;
    QWidget *control(const char *name) { return window->findChild<QWidget *>(QString::fromUtf8(name)); }

private slots:
    void init()
    {
        window = std::make_unique<QMainWindow>();
        buildWindow(window.get());
    }
    void cleanup() { window.reset(); }

    void everyControlIsBuilt_data()
    {
        QTest::addColumn<QString>("name");
        for (const ControlSpec &row : layoutTable())
            QTest::newRow(row.name) << QString::fromUtf8(row.name);
    }
    void everyControlIsBuilt()
    {
        QFETCH(QString, name);
        const ControlSpec *row = findControlSpec(name);
        QVERIFY(row);
        QWidget *widget = window->findChild<QWidget *>(name);
        QVERIFY(widget);
        QVERIFY(hasClassOfKind(widget, row->kind));
        QVERIFY(widget->toolTip().isEmpty());
        QVERIFY(widget->statusTip().isEmpty());

        const QString parentName = QString::fromUtf8(row->parent);
        if (row->kind == ControlKind::Page) {
            auto *tabs = qobject_cast<QTabWidget *>(control("pgOptions"));
            QCOMPARE(tabs->indexOf(widget), row->tabOrder);
            return;
        }
        if (parentName == QLatin1String("Form1"))
            QCOMPARE(widget->parentWidget(), window->centralWidget());
        else
            QCOMPARE(widget->parentWidget()->objectName(), parentName);
        QCOMPARE(widget->pos(), QPoint(row->x, row->y));
        if (row->kind != ControlKind::Label)
            QCOMPARE(widget->size(), QSize(row->w, row->h));
    }

    void pagesInOrderWithInputInFront()
    {
        auto *tabs = qobject_cast<QTabWidget *>(control("pgOptions"));
        QVERIFY(tabs);
        const QStringList pages{"tabInput", "tabOutput", "tabBitrate", "tabFilter", "tabComment"};
        const QStringList captions{"Input file", "Output file", "Bitrate", "Filters", "Output info"};
        QCOMPARE(tabs->count(), pages.size());
        for (int i = 0; i < tabs->count(); ++i) {
            QCOMPARE(tabs->widget(i)->objectName(), pages.at(i));
            QCOMPARE(tabs->tabText(i), captions.at(i));
            QVERIFY(tabs->tabIcon(i).isNull());
        }
        QCOMPARE(tabs->currentIndex(), 0);
    }

    void onlyTheDesignedControlsStartDisabled()
    {
        const QStringList disabled = testing::startDisabled();
        for (const ControlSpec &row : layoutTable()) {
            const QString name = QString::fromUtf8(row.name);
            QVERIFY2(ownEnabledFlag(control(row.name)) != disabled.contains(name), row.name);
        }
        // Inside a disabled group the children keep their own flag.
        QVERIFY(ownEnabledFlag(control("cbxABR")));
        QVERIFY(!control("cbxABR")->isEnabled());
        QVERIFY(ownEnabledFlag(control("cbxVBRMode")));
        QVERIFY(!control("cbxVBRMode")->isEnabled());
    }

    void windowIsFixedWithoutMaximise()
    {
        QCOMPARE(window->windowTitle(), QStringLiteral("Fenwave v. ") + QString::fromLatin1(fenwave::kProgramVersion));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        const Qt::WindowFlags flags = window->windowFlags();
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(flags & Qt::WindowSystemMenuHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);

        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QCOMPARE(window->centralWidget()->size(), QSize(531, 461 - 19));
        QCOMPARE(window->statusBar()->geometry(), QRect(0, window->height() - 19, 531, 19));
        QCOMPARE(window->width(), 531);
    }

    void statusBarHasOnePanelAcrossItsWidth()
    {
        QStatusBar *bar = window->statusBar();
        QCOMPARE(bar->objectName(), QStringLiteral("stsString"));
        QVERIFY(!bar->isSizeGripEnabled());
        const auto panels = bar->findChildren<QLabel *>();
        QCOMPARE(panels.size(), 1);
        QCOMPARE(panels.first()->objectName(), QStringLiteral("stsStringPanel"));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(panels.first()->width() > bar->width() - 20);
    }

    void commandLineBoxAndViewOnly()
    {
        auto *memo = qobject_cast<QPlainTextEdit *>(control("edtCommandLine"));
        QCOMPARE(memo->toPlainText(), QStringLiteral("edtCommandLine"));
        QCOMPARE(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        auto *readOnly = qobject_cast<QCheckBox *>(control("flgReadOnly"));
        QCOMPARE(readOnly->text(), QStringLiteral("View only"));
        QVERIFY(readOnly->isChecked());
    }

    void radioGroupsHoldOneColumnOfItems_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QStringList>("items");
        for (const char *group : {"rgrInputType", "rgpOutputType"})
            QTest::newRow(group) << group << testing::lastColumn(testing::expectedRows("item_lists.tsv", 0, group));
    }
    void radioGroupsHoldOneColumnOfItems()
    {
        QFETCH(QString, group);
        QFETCH(QStringList, items);
        auto *box = window->findChild<QGroupBox *>(group);
        const auto buttons = box->findChildren<QRadioButton *>();
        QCOMPARE(buttons.size(), items.size());
        for (int i = 0; i < items.size(); ++i) {
            auto *button = box->findChild<QRadioButton *>(group + QLatin1Char('_') + QString::number(i));
            QVERIFY(button);
            QCOMPARE(button->text(), items.at(i));
            QVERIFY(box->rect().contains(button->geometry()));
            if (i > 0) {
                auto *above = box->findChild<QRadioButton *>(group + QLatin1Char('_') + QString::number(i - 1));
                QCOMPARE(button->x(), above->x());
                QVERIFY(button->y() >= above->y() + above->height());
            }
        }
    }

    void radioButtonsStartUnchecked()
    {
        const auto buttons = window->findChildren<QRadioButton *>();
        QCOMPARE(buttons.size(), 6 + 5 + 3 + 3);
        for (QRadioButton *button : buttons)
            QVERIFY2(!button->isChecked(), qPrintable(button->objectName()));
        // A set may be left with none checked by the program.
        auto *cbr = qobject_cast<QRadioButton *>(control("rbutCBR"));
        cbr->setChecked(true);
        fenwave::setChecked(cbr, false);
        QVERIFY(!cbr->isChecked());
    }

    void comboBoxesAreEditableAndEmpty()
    {
        const auto combos = window->findChildren<QComboBox *>();
        QCOMPARE(combos.size(), 10 + 1); // + cbxGenre
        for (QComboBox *combo : combos) {
            QVERIFY(combo->isEditable());
            QCOMPARE(combo->insertPolicy(), QComboBox::NoInsert);
            QVERIFY(!combo->completer());
            QCOMPARE(combo->count(), 0);
        }
    }

    void menuStructure_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("submenu");
        QTest::addColumn<bool>("checkable");
        QTest::addColumn<int>("position"); // among the items of its parent
        QTest::addColumn<int>("siblings");
        const QList<QStringList> rows = testing::expectedRows("menu.tsv");
        QHash<QString, int> items;
        for (const QStringList &row : rows)
            QTest::newRow(qPrintable(row.at(0)))
                << row.at(0) << row.at(1) << row.at(3) << (row.at(2) == QLatin1String("submenu"))
                << (row.at(2) == QLatin1String("check")) << items[row.at(1)]++
                << int(std::count_if(rows.begin(), rows.end(),
                                     [&](const QStringList &r) { return r.at(1) == row.at(1); }));
    }
    void menuStructure()
    {
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QFETCH(QString, caption);
        QFETCH(bool, submenu);
        QFETCH(bool, checkable);
        QFETCH(int, position);
        QFETCH(int, siblings);
        QMenuBar *bar = window->menuBar();
        QCOMPARE(bar->objectName(), QStringLiteral("mnuMain"));
        auto *action = window->findChild<QAction *>(name);
        QVERIFY(action);
        QCOMPARE(action->text(), caption);
        QVERIFY(QKeySequence::mnemonic(action->text()).isEmpty());
        QVERIFY(action->shortcut().isEmpty());
        QCOMPARE(action->isCheckable(), checkable);
        QVERIFY(!action->isChecked());
        QCOMPARE(action->menu() != nullptr, submenu);
        if (submenu)
            QCOMPARE(action->menu()->objectName(), name);
        QWidget *container
            = parent == QLatin1String("mnuMain") ? static_cast<QWidget *>(bar) : window->findChild<QMenu *>(parent);
        QVERIFY(container);
        QCOMPARE(container->actions().indexOf(action), position);
        QCOMPARE(container->actions().size(), siblings);
    }

    void designHintsOnly()
    {
        const QHash<QString, QString> hints{{"cbxPresets", "Набор пресетов эквалайзера"},
                                            {"grpABR", "Средний поток"},
                                            {"grpVBR", "Переменный поток"},
                                            {"tabComment", "Параметры вывода на экран различных сообщений"},
                                            {"edtCommandLine", "Коммандная строка для программы Lame"}};
        QList<QObject *> objects;
        for (QWidget *widget : window->findChildren<QWidget *>())
            objects << widget;
        for (QObject *object : objects)
            QCOMPARE(object->property("hint").toString(), hints.value(object->objectName()));
        QCOMPARE(window->findChild<QAction *>("mnuRefresh")->property("hint").toString(),
                 QStringLiteral("Обновить строку запуска"));
    }

    void fonts()
    {
        QCOMPARE(window->font().family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(window->font().pointSize(), 8);
        QCOMPARE(control("flgVorbis")->font().pointSize(), 8);
        const QFont decode = control("flgMP3Decode")->font();
        QCOMPARE(decode.pointSize(), 9);
        QVERIFY(decode.bold());
        QVERIFY(!decode.italic());
        const QFont byDefault = control("flgDefault")->font();
        QCOMPARE(byDefault.pointSize(), 9);
        QVERIFY(byDefault.bold());
        QVERIFY(byDefault.italic());
    }

    void tabOrderFollowsTheDesign()
    {
        QWidget *start = control("pgOptions");
        const QHash<QWidget *, int> chain = focusChainPositions(start);
        for (const ControlSpec &container : layoutTable()) {
            QList<const ControlSpec *> children;
            for (const ControlSpec &row : layoutTable()) {
                if (QLatin1String(row.parent) == QLatin1String(container.name) && row.tabOrder >= 0)
                    children << &row;
            }
            std::sort(children.begin(), children.end(),
                      [](const ControlSpec *a, const ControlSpec *b) { return a->tabOrder < b->tabOrder; });
            int previous = -1;
            for (const ControlSpec *child : children) {
                QWidget *first = firstFocusable(control(child->name), chain);
                if (!first)
                    continue; // an empty group takes no focus
                QVERIFY2(chain.value(first, -1) > previous, child->name);
                previous = chain.value(first);
            }
        }
        QVERIFY(chain.value(control("edtCommandLine")) > chain.value(control("flg2ndEmpty")));
        QVERIFY(chain.value(control("flgReadOnly")) > chain.value(control("edtCommandLine")));
    }

    void nothingIsCutByItsParent_data()
    {
        QTest::addColumn<int>("language");
        QTest::newRow("design") << -1;
        QTest::newRow("English") << 0;
        QTest::newRow("Russian") << 1;
    }
    void nothingIsCutByItsParent()
    {
        QFETCH(int, language);
        if (language >= 0)
            applyLanguageTexts(window.get(), language == 1 ? fenwave::Language::Russian : fenwave::Language::English);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        for (const ControlSpec &row : layoutTable()) {
            QWidget *widget = control(row.name);
            if (row.kind == ControlKind::Page)
                continue;
            QVERIFY2(widget->parentWidget()->rect().contains(widget->geometry()), row.name);
        }
    }

    void captionsFit_data() { nothingIsCutByItsParent_data(); }
    void captionsFit()
    {
        QFETCH(int, language);
        if (language >= 0)
            applyLanguageTexts(window.get(), language == 1 ? fenwave::Language::Russian : fenwave::Language::English);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const QStringList findings = captionsThatDoNotFit(window.get());
        QVERIFY2(findings.isEmpty(), qPrintable(findings.join(QLatin1String("\n"))));
    }

    void fitCheckFindsCutCaptions()
    {
        auto *check = qobject_cast<QCheckBox *>(control("flgVorbis"));
        check->resize(40, check->height());
        auto *label = qobject_cast<QLabel *>(control("Label11"));
        setCaption(label, QStringLiteral("a caption far wider than its column"));
        auto *label3 = qobject_cast<QLabel *>(control("Label3"));
        setCaption(label3, QStringLiteral("a caption that runs under the statistics field"));
        // A button whose indicator sits on the top line of the frame beside it, a check box on the
        // bottom line of its own frame, and a label right next to the left line of its frame.
        QWidget *abr = control("rbutABR");
        abr->move(abr->x(), control("grpABR")->y() - abr->height() / 2);
        QWidget *lameTag = control("flgLameTagEn");
        lameTag->move(lameTag->x(), control("grpVBR")->height() - lameTag->height() / 2 - 2);
        QWidget *lowPass = control("Label15");
        lowPass->move(2, lowPass->y());
        // Clear of every line: not reported.
        QWidget *copyright = control("flgCopyright");
        copyright->move(4, copyright->y());
        const QString findings = captionsThatDoNotFit(window.get()).join(QLatin1Char('\n'));
        QVERIFY(findings.contains(QLatin1String("flgVorbis:")));
        QVERIFY(findings.contains(QLatin1String("Label11:")));
        QVERIFY(findings.contains(QLatin1String("Label3:")));
        QVERIFY(findings.contains(QLatin1String("rbutABR: \"Average bitrate\" touches the frame of grpABR")));
        QVERIFY(findings.contains(
            QLatin1String("flgLameTagEn: \"enable and force writing LAME Tag\" touches the frame of grpVBR")));
        QVERIFY(findings.contains(QLatin1String("Label15: \"Lowpass cut\" touches the frame of grpFilter")));
        QVERIFY2(!findings.contains(QLatin1String("flgCopyright")), qPrintable(findings));
    }

    void labelsSizeToTextExceptTheCentredThree()
    {
        auto *centred = qobject_cast<QLabel *>(control("Label10"));
        const QRect before = centred->geometry();
        setCaption(centred, QStringLiteral("Q"));
        QCOMPARE(centred->geometry(), before);
        QVERIFY(centred->alignment() & Qt::AlignHCenter);

        auto *label = qobject_cast<QLabel *>(control("Label2"));
        setCaption(label, QStringLiteral("Частота дискретизации, kHz"));
        QCOMPARE(label->width(), label->sizeHint().width());
        QCOMPARE(label->pos(), QPoint(160, 56));
    }

    void ampersandIsShownNotAShortcut_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("check box") << "flgVorbis";
        QTest::newRow("radio button") << "rbutCBR";
        QTest::newRow("button") << "butInputOpen";
        QTest::newRow("group box") << "grpFilter";
        QTest::newRow("page") << "tabInput";
        QTest::newRow("submenu") << "mnuSet";
        QTest::newRow("menu item") << "mnuRun";
    }
    void ampersandIsShownNotAShortcut()
    {
        QFETCH(QString, name);
        QObject *target = findTarget(window.get(), name.toUtf8().constData());
        QVERIFY(setCaption(target, QStringLiteral("Drum & Bass")));
        QString shown;
        if (auto *button = qobject_cast<QAbstractButton *>(target))
            shown = button->text();
        else if (auto *group = qobject_cast<QGroupBox *>(target))
            shown = group->title();
        else if (auto *menu = qobject_cast<QMenu *>(target))
            shown = menu->title();
        else if (auto *action = qobject_cast<QAction *>(target))
            shown = action->text();
        else
            shown = qobject_cast<QTabWidget *>(control("pgOptions"))->tabText(0);
        QCOMPARE(shown, QStringLiteral("Drum && Bass"));
        QVERIFY(QKeySequence::mnemonic(shown).isEmpty());
    }

    void setCaptionRefusesOtherObjects()
    {
        QVERIFY(!setCaption(control("edtInput"), QStringLiteral("x")));
        QVERIFY(!setCaption(nullptr, QStringLiteral("x")));
    }

    void inputFieldsLieOverOverlappingCheckBoxes()
    {
        applyLanguageTexts(window.get(), fenwave::Language::English);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        qobject_cast<QTabWidget *>(control("pgOptions"))->setCurrentIndex(1);
        for (const char *name : {"edtCompRatio", "cbxPresets"}) {
            QWidget *field = control(name);
            QWidget *page = control("tabOutput");
            QWidget *hit = page->childAt(field->geometry().center());
            QVERIFY2(hit == field || field->isAncestorOf(hit), name);
        }
    }

    void grabsWindowAndPages()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString outDir = dir.filePath(QStringLiteral("pictures with blanks; $(x) ё"));
        window->show();
        QVERIFY(grabPictures(window.get(), outDir, QStringLiteral("-ru")));
        for (const char *file : {"window-ru.png", "page-tabInput-ru.png", "page-tabOutput-ru.png",
                                 "page-tabBitrate-ru.png", "page-tabFilter-ru.png", "page-tabComment-ru.png"}) {
            QVERIFY2(QImage(QDir(outDir).filePath(QString::fromUtf8(file))).width() > 100, file);
        }
        QCOMPARE(qobject_cast<QTabWidget *>(control("pgOptions"))->currentIndex(), 0);
    }

    void grabReportsUnwritableFolder()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!grabPictures(window.get(), blocker.fileName() + QStringLiteral("/sub"), QString()));
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
