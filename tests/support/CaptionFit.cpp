#include "CaptionFit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>

#include <algorithm>

namespace fenwave {

namespace {

QString visibleText(QString caption)
{
    caption.replace(QLatin1String("&&"), QLatin1String("&"));
    // A blank at the end is invisible whether it is cut or not.
    while (!caption.isEmpty() && caption.back().isSpace())
        caption.chop(1);
    return caption;
}

// Siblings that hide or garble a caption running into them; group boxes and pages are frames
// around other controls, not obstacles.
bool isObstacle(const QWidget *widget)
{
    return qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QComboBox *>(widget)
           || qobject_cast<const QAbstractButton *>(widget) || qobject_cast<const QPlainTextEdit *>(widget)
           || qobject_cast<const QLabel *>(widget);
}

// Where the caption's text actually lies, in the parent's coordinates.
struct CaptionExtent {
    QString text;
    int needed = 0;    // width the caption needs from the control's left edge
    int available = 0; // width the control gives it
};

bool captionExtent(const QWidget *widget, CaptionExtent &extent)
{
    const QFontMetrics metrics = widget->fontMetrics();
    const QStyle *style = widget->style();
    auto textWidth = [&](const QString &caption) {
        extent.text = visibleText(caption);
        return metrics.horizontalAdvance(extent.text);
    };
    extent.available = widget->width();
    if (auto *check = qobject_cast<const QCheckBox *>(widget)) {
        extent.needed = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget)
                        + style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, widget)
                        + textWidth(check->text());
        return true;
    }
    if (auto *radio = qobject_cast<const QRadioButton *>(widget)) {
        extent.needed = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, widget)
                        + style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, widget)
                        + textWidth(radio->text());
        return true;
    }
    if (auto *button = qobject_cast<const QPushButton *>(widget)) {
        extent.needed = 2 * style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, widget) + textWidth(button->text());
        return true;
    }
    if (auto *label = qobject_cast<const QLabel *>(widget)) {
        // Centred labels keep their width, so their text must fit in it; the others size
        // themselves to their text and are judged by where it ends.
        extent.needed = textWidth(label->text());
        return true;
    }
    if (auto *group = qobject_cast<const QGroupBox *>(widget)) {
        // The title stands 8 px in from the frame's corner, with a blank's room after it; the
        // same clearance on the right keeps it off the frame's right edge.
        constexpr int titleIndent = 8;
        extent.needed = textWidth(group->title());
        if (extent.needed > 0)
            extent.needed += 2 * titleIndent + metrics.horizontalAdvance(QLatin1Char(' '));
        return true;
    }
    return false;
}

// The lines of a group box frame, in the group box's own coordinates: the frame as its style
// places it, each edge drawn two pixels wide (a dark and a light line).
QList<QRect> frameLines(const QGroupBox *group)
{
    QStyleOptionGroupBox option;
    option.initFrom(group);
    option.text = group->title();
    option.lineWidth = 1;
    option.subControls = QStyle::SC_GroupBoxFrame;
    if (!option.text.isEmpty())
        option.subControls |= QStyle::SC_GroupBoxLabel;
    if (group->isFlat())
        option.features |= QStyleOptionFrame::Flat;
    const QRect frame = group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, group);
    constexpr int lineWidth = 2;
    if (group->isFlat())
        return {QRect(frame.left(), frame.top(), frame.width(), lineWidth)};
    return {QRect(frame.left(), frame.top(), frame.width(), lineWidth),
            QRect(frame.left(), frame.bottom() - lineWidth + 1, frame.width(), lineWidth),
            QRect(frame.left(), frame.top(), lineWidth, frame.height()),
            QRect(frame.right() - lineWidth + 1, frame.top(), lineWidth, frame.height())};
}

// Touching includes standing right next to a line, with no pixel between.
bool touchesFrame(const QGroupBox *group, const QRect &area, QPoint offset)
{
    for (const QRect &line : frameLines(group)) {
        if (line.translated(offset).adjusted(-1, -1, 1, 1).intersects(area))
            return true;
    }
    return false;
}

// The height of the indicator that check boxes and radio buttons paint beside their caption.
int indicatorHeight(const QWidget *widget)
{
    if (qobject_cast<const QCheckBox *>(widget))
        return widget->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, widget);
    if (qobject_cast<const QRadioButton *>(widget))
        return widget->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight, nullptr, widget);
    return 0;
}

} // namespace

QStringList captionsThatDoNotFit(QWidget *root)
{
    QStringList findings;
    if (!root)
        return findings;
    QList<QWidget *> widgets{root};
    widgets += root->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        // Dialogs owned by the window are windows of their own with their own layout.
        if (widget->window() != root->window())
            continue;
        CaptionExtent extent;
        if (!captionExtent(widget, extent) || extent.text.isEmpty())
            continue;
        const QString name = widget->objectName();
        if (extent.needed > extent.available) {
            findings << QStringLiteral("%1: \"%2\" needs %3 px, has %4")
                            .arg(name, extent.text)
                            .arg(extent.needed)
                            .arg(extent.available);
            continue;
        }
        QWidget *parent = widget->parentWidget();
        if (!parent || qobject_cast<QGroupBox *>(widget) || qobject_cast<QPushButton *>(widget))
            continue;
        const bool centred
            = qobject_cast<QLabel *>(widget) && (static_cast<QLabel *>(widget)->alignment() & Qt::AlignHCenter);
        const int left = centred ? widget->x() + (widget->width() - extent.needed) / 2 : widget->x();
        // The text line, centred in the control's height, not the whole control: rows of check
        // boxes are designed to overlap by a pixel or two.
        const int lineHeight = std::min(widget->fontMetrics().height(), widget->height());
        const QRect textArea(left, widget->y() + (widget->height() - lineHeight) / 2, extent.needed, lineHeight);
        if (textArea.right() >= parent->width()) {
            findings << QStringLiteral("%1: \"%2\" runs past the right edge of %3")
                            .arg(name, extent.text, parent->objectName());
            continue;
        }
        const auto siblings = parent->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        for (QWidget *sibling : siblings) {
            if (sibling != widget && !sibling->isHidden() && isObstacle(sibling)
                && sibling->geometry().intersects(textArea)) {
                findings << QStringLiteral("%1: \"%2\" runs under %3").arg(name, extent.text, sibling->objectName());
            }
        }
        // What is painted: the text line and, for check boxes and radio buttons, the indicator,
        // each centred in the control's height.
        const int paintedHeight = std::min(std::max(lineHeight, indicatorHeight(widget)), widget->height());
        const QRect painted(left, widget->y() + (widget->height() - paintedHeight) / 2, extent.needed, paintedHeight);
        if (auto *group = qobject_cast<const QGroupBox *>(parent); group && touchesFrame(group, painted, QPoint()))
            findings
                << QStringLiteral("%1: \"%2\" touches the frame of %3").arg(name, extent.text, group->objectName());
        for (QWidget *sibling : siblings) {
            auto *group = qobject_cast<const QGroupBox *>(sibling);
            if (group && !group->isHidden() && touchesFrame(group, painted, group->pos()))
                findings
                    << QStringLiteral("%1: \"%2\" touches the frame of %3").arg(name, extent.text, group->objectName());
        }
    }
    return findings;
}

} // namespace fenwave
