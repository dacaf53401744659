#include "ui/WindowBuilder.h"

#include "ProgramIdentity.h"
#include "options/ItemLists.h"
#include "options/OptionSet.h"
#include "ui/HintTracker.h"
#include "ui/LayoutTable.h"
#include "ui/MenuTable.h"
#include "ui/RadioTabStops.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFont>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>

#include <limits>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QStyleFactory>
#include <QTabWidget>
#include <algorithm>
#include <cstring>

namespace fenwave {

namespace {

const char *const kFontFamily = "Liberation Sans";
constexpr int kFontPointSize = 8;
constexpr int kRadioButtonHeight = 17;

bool isCentredLabel(const QString &name)
{
    return name == QLatin1String("Label10") || name == QLatin1String("Label11") || name == QLatin1String("Label12");
}

QString text(const char *utf8)
{
    return utf8 ? QString::fromUtf8(utf8) : QString();
}

// A page widget sits in the tab widget's stack; its design parent is the tab widget.
QTabWidget *tabWidgetOfPage(const QWidget *page)
{
    QWidget *stack = page ? page->parentWidget() : nullptr;
    if (!qobject_cast<QStackedWidget *>(stack))
        return nullptr;
    return qobject_cast<QTabWidget *>(stack->parentWidget());
}

// One column of radio buttons spread evenly below the frame title.
void addRadioItems(QGroupBox *group, const QStringList &items)
{
    const int top = group->fontMetrics().height() + 4;
    const int bottom = 4;
    const int count = static_cast<int>(items.size());
    if (count == 0)
        return;
    const int rowHeight = (group->height() - top - bottom) / count;
    for (int i = 0; i < count; ++i) {
        auto *button = new QRadioButton(withoutMnemonic(items.at(i)), group);
        button->setObjectName(group->objectName() + QLatin1Char('_') + QString::number(i));
        button->setGeometry(8, top + i * rowHeight + (rowHeight - kRadioButtonHeight) / 2, group->width() - 16,
                            kRadioButtonHeight);
    }
}

// A radio group shows the item list of its option field.
const QStringList &radioGroupItems(const QString &name)
{
    const std::optional<Field> field = OptionSet::fieldByName(name);
    if (!field)
        qFatal("layout: radio group %s is no option field", qPrintable(name));
    return itemList(OptionSet::info(*field).items);
}

// The design places the contents of a group box just below a title that sits on the frame line,
// as the classic style draws it; styles that put the title above the frame would run the first
// row into the frame. Shared by all group boxes, owned by the application.
QStyle *groupBoxStyle()
{
    static QPointer<QStyle> style;
    if (!style && QCoreApplication::instance()) {
        style = QStyleFactory::create(QStringLiteral("Windows"));
        if (style)
            style->setParent(QCoreApplication::instance());
    }
    return style;
}

QGroupBox *makeGroupBox(QWidget *parent, const QString &title)
{
    auto *group = new QGroupBox(withoutMnemonic(title), parent);
    if (QStyle *style = groupBoxStyle())
        group->setStyle(style);
    return group;
}

// Texts are never cut: Qt's default limit of 32767 characters would lose part of a long
// restored value at the next save.
QLineEdit *makeEdit(QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setMaxLength(std::numeric_limits<int>::max());
    return edit;
}

QComboBox *makeComboBox(QWidget *parent)
{
    auto *combo = new QComboBox(parent);
    combo->setEditable(true);
    // Typed text is a value, not a new item, and is never completed from the list.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    combo->lineEdit()->setMaxLength(std::numeric_limits<int>::max());
    // Qt selects the item matching the typed text when the focus leaves the box, and reports
    // it as a pick: leaving a box is no choice of the user's.
    QObject::disconnect(combo->lineEdit(), SIGNAL(editingFinished()), combo, nullptr);
    return combo;
}

QPlainTextEdit *makeMemo(QWidget *parent, const QString &content)
{
    auto *memo = new QPlainTextEdit(parent);
    memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the next control, as everywhere else in the window; a tab typed into the
    // command line would only end up as a separator.
    memo->setTabChangesFocus(true);
    memo->setPlainText(content);
    return memo;
}

QLabel *makeLabel(QWidget *parent, const QString &name)
{
    auto *label = new QLabel(parent);
    label->setAlignment(isCentredLabel(name) ? Qt::AlignHCenter | Qt::AlignTop : Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QWidget *makeWidget(const ControlSpec &row, QWidget *parent, const QString &name)
{
    const QString caption = text(row.caption);
    switch (row.kind) {
    case ControlKind::PageControl: return new QTabWidget(parent);
    case ControlKind::Page: {
        auto *page = new QWidget;
        if (auto *tabs = qobject_cast<QTabWidget *>(parent))
            tabs->addTab(page, withoutMnemonic(caption));
        return page;
    }
    case ControlKind::GroupBox:
    case ControlKind::RadioGroup: return makeGroupBox(parent, caption);
    case ControlKind::Label: return makeLabel(parent, name);
    case ControlKind::CheckBox: return new QCheckBox(withoutMnemonic(caption), parent);
    case ControlKind::RadioButton:
        // Auto-exclusive within its parent, as Qt makes it: a click never unchecks the checked
        // button. The program can still leave a set with none checked (ControlBinding's setChecked).
        return new QRadioButton(withoutMnemonic(caption), parent);
    case ControlKind::Edit: return makeEdit(parent);
    case ControlKind::Memo: return makeMemo(parent, caption);
    case ControlKind::ComboBox: return makeComboBox(parent);
    case ControlKind::Button: return new QPushButton(withoutMnemonic(caption), parent);
    }
    return nullptr;
}

// A widget the builder made from the layout table. A name the table does not build is a fault
// of the tables, reported at once in every build.
QWidget *built(const QHash<QString, QWidget *> &widgets, const char *name)
{
    QWidget *widget = widgets.value(QString::fromUtf8(name));
    if (!widget)
        qFatal("layout: no control named %s", name);
    return widget;
}

void applySpecialFonts(QWidget *window, const QHash<QString, QWidget *> &widgets)
{
    QFont decode = window->font();
    decode.setPointSize(9);
    decode.setBold(true);
    built(widgets, "flgMP3Decode")->setFont(decode);

    QFont byDefault = decode;
    byDefault.setItalic(true);
    built(widgets, "flgDefault")->setFont(byDefault);
}

bool takesNoFocus(ControlKind kind)
{
    return kind == ControlKind::Label || kind == ControlKind::GroupBox || kind == ControlKind::Page;
}

bool isContainer(ControlKind kind)
{
    return kind == ControlKind::GroupBox || kind == ControlKind::Page || kind == ControlKind::PageControl;
}

// The focus chain in design order: each container's children by their tab column, a container's
// contents at the container's place.
void appendInTabOrder(const QString &parentName, const QHash<QString, QWidget *> &widgets, QList<QWidget *> &chain)
{
    QList<const ControlSpec *> children;
    for (const ControlSpec &row : layoutTable()) {
        if (parentName == QLatin1String(row.parent))
            children.append(&row);
    }
    std::stable_sort(children.begin(), children.end(),
                     [](const ControlSpec *a, const ControlSpec *b) { return a->tabOrder < b->tabOrder; });
    for (const ControlSpec *row : children) {
        QWidget *widget = built(widgets, row->name);
        if (!takesNoFocus(row->kind) && row->kind != ControlKind::RadioGroup)
            chain.append(widget);
        if (row->kind == ControlKind::RadioGroup) {
            const auto buttons = widget->findChildren<QRadioButton *>(QString(), Qt::FindDirectChildrenOnly);
            for (QRadioButton *button : buttons)
                chain.append(button);
        }
        if (isContainer(row->kind))
            appendInTabOrder(QString::fromUtf8(row->name), widgets, chain);
    }
}

// An option field's control starts enabled, and a check box checked, as a fresh option set says; a row that
// gives a field a flag of its own, or claims a field it is not, is a fault of the tables.
void giveStartState(const ControlSpec &row, QWidget *widget)
{
    const std::optional<Field> field = OptionSet::fieldByName(QString::fromLatin1(row.name));
    if (field.has_value() != (row.enabled == StartEnabled::AsOptionField))
        qFatal("layout: %s %s", row.name,
               field ? "is an option field: its start state is the option set's" : "is no option field");
    if (!field) {
        widget->setEnabled(row.enabled == StartEnabled::Yes);
        return;
    }
    static const OptionSet start;
    widget->setEnabled(start.isAvailable(*field));
    // Radio buttons stay unchecked as built: the window checks them with its start values.
    if (auto *box = qobject_cast<QCheckBox *>(widget))
        box->setChecked(start.isOn(*field));
}

void buildControls(QWidget *client, QHash<QString, QWidget *> &widgets)
{
    widgets.insert(QStringLiteral("Form1"), client);
    for (const ControlSpec &row : layoutTable()) {
        const QString name = QString::fromUtf8(row.name);
        QWidget *parent = built(widgets, row.parent); // parents come before their children
        QWidget *widget = makeWidget(row, parent, name);
        widget->setObjectName(name);
        if (row.kind != ControlKind::Page)
            widget->setGeometry(row.x, row.y, row.w, row.h);
        if (row.hint)
            widget->setProperty(kHintProperty, QString::fromUtf8(row.hint));
        giveStartState(row, widget);
        widgets.insert(name, widget);
    }
}

// Layout children that are placed after everything else has its font and size.
void finishControls(const QHash<QString, QWidget *> &widgets)
{
    for (const ControlSpec &row : layoutTable()) {
        QWidget *widget = built(widgets, row.name);
        switch (row.kind) {
        case ControlKind::RadioGroup:
            addRadioItems(static_cast<QGroupBox *>(widget), radioGroupItems(widget->objectName()));
            break;
        case ControlKind::Label: setCaption(widget, text(row.caption)); break;
        case ControlKind::Edit:
        case ControlKind::ComboBox:
        case ControlKind::Button:
            // Input fields that lie over the area of a check box must get the clicks.
            widget->raise();
            break;
        default: break;
        }
    }
}

void buildMenu(QMainWindow *window)
{
    auto *bar = new QMenuBar(window);
    bar->setObjectName(QStringLiteral("mnuMain"));
    window->setMenuBar(bar);

    QHash<QString, QMenu *> menus;
    for (const MenuSpec &row : menuTable()) {
        const QString name = QString::fromUtf8(row.name);
        const QString caption = withoutMnemonic(QString::fromUtf8(row.caption));
        QMenu *parentMenu = menus.value(QString::fromUtf8(row.parent));
        QAction *action = nullptr;
        if (isSubmenu(row.name)) {
            auto *menu = new QMenu(caption, parentMenu ? static_cast<QWidget *>(parentMenu) : bar);
            menu->setObjectName(name);
            if (row.hint)
                menu->setProperty(kHintProperty, QString::fromUtf8(row.hint));
            menus.insert(name, menu);
            action = menu->menuAction();
            if (parentMenu)
                parentMenu->addMenu(menu);
            else
                bar->addMenu(menu);
        } else {
            action = new QAction(caption, parentMenu ? static_cast<QObject *>(parentMenu) : bar);
            if (parentMenu)
                parentMenu->addAction(action);
            else
                bar->addAction(action);
        }
        action->setObjectName(name);
        action->setCheckable(row.checkable);
        if (row.hint)
            action->setProperty(kHintProperty, QString::fromUtf8(row.hint));
    }
}

void buildStatusBar(QMainWindow *window)
{
    auto *bar = new QStatusBar(window);
    bar->setObjectName(QStringLiteral("stsString"));
    bar->setSizeGripEnabled(false);
    bar->setFixedHeight(kDesignStatusBarHeight);
    auto *panel = new QLabel(bar);
    panel->setObjectName(QStringLiteral("stsStringPanel"));
    bar->addWidget(panel, 1);
    window->setStatusBar(bar);
}

} // namespace

QString withoutMnemonic(const QString &text)
{
    QString result = text;
    result.replace(QLatin1Char('&'), QLatin1String("&&"));
    return result;
}

void fitLabel(QLabel *label)
{
    if (!label || isCentredLabel(label->objectName()))
        return;
    label->adjustSize();
}

bool setCaption(QObject *target, const QString &caption)
{
    if (auto *label = qobject_cast<QLabel *>(target)) {
        label->setText(caption);
        fitLabel(label);
        return true;
    }
    if (auto *button = qobject_cast<QAbstractButton *>(target)) {
        button->setText(withoutMnemonic(caption));
        return true;
    }
    if (auto *group = qobject_cast<QGroupBox *>(target)) {
        group->setTitle(withoutMnemonic(caption));
        return true;
    }
    if (auto *menu = qobject_cast<QMenu *>(target)) {
        menu->setTitle(withoutMnemonic(caption));
        return true;
    }
    if (auto *action = qobject_cast<QAction *>(target)) {
        action->setText(withoutMnemonic(caption));
        return true;
    }
    auto *page = qobject_cast<QWidget *>(target);
    if (QTabWidget *tabs = tabWidgetOfPage(page)) {
        tabs->setTabText(tabs->indexOf(page), withoutMnemonic(caption));
        return true;
    }
    return false;
}

void buildWindow(QMainWindow *window)
{
    if (window->objectName().isEmpty())
        window->setObjectName(QStringLiteral("Form1"));
    window->setWindowTitle(QString::fromLatin1(kProgramTitle) + QStringLiteral(" v. ")
                           + QString::fromLatin1(kProgramVersion));
    window->setFont(QFont(QString::fromUtf8(kFontFamily), kFontPointSize));

    auto *client = new QWidget(window);
    client->setObjectName(QStringLiteral("clientArea"));
    client->setFixedSize(kDesignClientSize.width(), kDesignClientSize.height() - kDesignStatusBarHeight);
    window->setCentralWidget(client);

    QHash<QString, QWidget *> widgets;
    buildControls(client, widgets);
    applySpecialFonts(window, widgets);
    finishControls(widgets);

    static_cast<QTabWidget *>(built(widgets, "pgOptions"))->setCurrentIndex(0);

    QList<QWidget *> chain;
    appendInTabOrder(QStringLiteral("Form1"), widgets, chain);
    for (int i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain.at(i - 1), chain.at(i));
    keepRadioTabStops(client);

    buildMenu(window);
    buildStatusBar(window);

    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    window->setFixedSize(kDesignClientSize.width(),
                         kDesignClientSize.height() + window->menuBar()->sizeHint().height());
}

} // namespace fenwave
