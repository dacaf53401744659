#include "ui/AccessibleTexts.h"

#include "language/LanguageTables.h"
#include "ui/HintTracker.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QVariant>
#include <QWidget>

namespace fenwave {

namespace {

struct LabelBuddy {
    const char *label;
    const char *control;
};

// The label that stands beside (or above) each field, as the window is laid out.
// clang-format off
const LabelBuddy kLabelBuddies[] = {
    {"Label2",  "cbxSampleFreq"},
    {"Label3",  "edtStat"},
    {"Label5",  "edtATH"},
    {"Label7",  "cbxCBR"},
    {"Label8",  "cbxABR"},
    {"Label9",  "cbxVBRMode"},
    {"Label10", "cbxVBRQuality"},
    {"Label11", "cbxMinBitrate"},
    {"Label12", "cbxMaxBitrate"},
    {"Label13", "cbxEmp"},
    {"Label14", "cbxNoise"},
    {"Label15", "edtLowPass"},
    {"Label17", "edtLowPassWidth"},
    {"Label19", "edtHighPass"},
    {"Label21", "edtHighPassWidth"},
    {"Label23", "edtOutputSample"},
    {"Label25", "edtTonality"},
    {"Label27", "edtSongName"},
    {"Label28", "edtArtist"},
    {"Label29", "edtAlbum"},
    {"Label32", "edtYear"},
    {"Label31", "edtTrackNumber"},
    {"Label33", "cbxGenre"},
    {"Label30", "edtComment"},
};
// clang-format on

QString buddyText(const QWidget *control)
{
    for (const QLabel *label : control->window()->findChildren<QLabel *>()) {
        if (label->buddy() == control)
            return label->text();
    }
    return QString();
}

// Top down, so that each widget's hint is looked up once: its own, else the one its parent
// shows (the rule of hintForWidget). Windows within the window, such as a batch window, describe
// their own controls.
void describeTree(QWidget *widget, const QString &inherited)
{
    const QString own = widget->property(kHintProperty).toString();
    const QString &hint = own.isEmpty() ? inherited : own;
    if (widget->accessibleDescription() != hint)
        widget->setAccessibleDescription(hint);
    for (QObject *child : widget->children()) {
        auto *part = qobject_cast<QWidget *>(child);
        if (part && !part->isWindow())
            describeTree(part, hint);
    }
}

} // namespace

void attachLabelBuddies(QWidget *window)
{
    for (const LabelBuddy &pair : kLabelBuddies) {
        auto *label = window->findChild<QLabel *>(QString::fromLatin1(pair.label));
        auto *control = window->findChild<QWidget *>(QString::fromLatin1(pair.control));
        if (!label || !control)
            qFatal("Form1 has no label %s beside a control %s", pair.label, pair.control);
        label->setBuddy(control);
    }
}

QString labelOfField(Field field, Language language)
{
    const char *control = OptionSet::info(field).name;
    for (const LabelBuddy &pair : kLabelBuddies) {
        if (qstrcmp(pair.control, control) != 0)
            continue;
        for (const TextAssignment &assignment : textAssignments()) {
            if (assignment.property == TextProperty::Caption && qstrcmp(assignment.target, pair.label) == 0)
                return textFor(assignment, language);
        }
    }
    return QString();
}

void nameAndDescribeParts(QWidget *window, const MessageTexts &texts, TableView<PartTexts> parts)
{
    for (const PartTexts &row : parts) {
        auto *part = window->findChild<QWidget *>(QString::fromLatin1(row.part));
        if (!part)
            continue;
        if (row.name)
            part->setAccessibleName(texts.*row.name);
        part->setAccessibleDescription(texts.*row.description);
    }
}

void describeByHints(QWidget *window)
{
    describeTree(window, QString());
    // The edit part of a combo box is a widget of its own to a screen reader; it says what the
    // box sets, not just the typed text.
    for (QComboBox *combo : window->findChildren<QComboBox *>()) {
        if (QLineEdit *edit = combo->lineEdit()) {
            const QString name = combo->accessibleName().isEmpty() ? buddyText(combo) : combo->accessibleName();
            if (edit->accessibleName() != name)
                edit->setAccessibleName(name);
        }
    }
}

} // namespace fenwave
