#include "ui/AccessibleTexts.h"

#include "ui/HintTracker.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
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

} // namespace

void attachLabelBuddies(QWidget *window)
{
    for (const LabelBuddy &pair : kLabelBuddies) {
        auto *label = window->findChild<QLabel *>(QString::fromLatin1(pair.label));
        auto *control = window->findChild<QWidget *>(QString::fromLatin1(pair.control));
        if (label && control)
            label->setBuddy(control);
    }
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
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    widgets.prepend(window);
    for (QWidget *widget : widgets) {
        const QString hint = hintForWidget(widget);
        if (widget->accessibleDescription() != hint)
            widget->setAccessibleDescription(hint);
    }
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
