#include "ui/ExactText.h"

#include <QPlainTextEdit>
#include <QTextDocument>

namespace fenwave {

namespace {

// The text as the box shows it, one document position for each character: the box would join
// CR LF into one break and take two private-use characters as frame marks.
QString forDisplay(QString text)
{
    for (QChar &c : text) {
        if (c == u'\r')
            c = u'\n';
        else if (c == QChar(0xFDD0) || c == QChar(0xFDD1))
            c = QChar::ReplacementCharacter;
    }
    return text;
}

// What the user put into the box: each break (a paragraph or a line break) separates arguments.
QString fromUser(QString text)
{
    for (QChar &c : text) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = u'\n';
    }
    return text;
}

int documentLength(const QTextDocument *document)
{
    return document->characterCount() - 1; // without the closing paragraph mark
}

} // namespace

ExactText::ExactText(QPlainTextEdit *box) : QObject(box), m_box(box), m_ordinaryWrap(box->wordWrapMode())
{
    const QTextDocument *document = box->document();
    m_text = fromUser(document->toRawText().left(documentLength(document)));
    fitWrapToLength(m_text.size());
    connect(document, &QTextDocument::contentsChange, this, &ExactText::applyEdit);
}

void ExactText::setText(const QString &text)
{
    fitWrapToLength(text.size());
    m_setting = true;
    m_box->setPlainText(forDisplay(text));
    m_setting = false;
    m_text = text;
}

void ExactText::applyEdit(int position, int removed, int added)
{
    if (m_setting)
        return;
    const QTextDocument *document = m_box->document();
    const QString raw = document->toRawText();
    const int length = documentLength(document);
    // The box lays the edited text out after this signal, so the mode still counts for it.
    fitWrapToLength(length);
    // The counts may include the closing paragraph mark; the new length settles them.
    added = qBound(0, added, length - position);
    removed = int(m_text.size()) + added - length;
    if (position < 0 || removed < 0 || position + removed > m_text.size()) {
        m_text = fromUser(raw.left(length));
        return;
    }
    m_text.replace(position, removed, fromUser(raw.mid(position, added)));
}

void ExactText::fitWrapToLength(qsizetype length)
{
    const QTextOption::WrapMode mode = length > kLongestWordWrappedText ? QTextOption::WrapAnywhere : m_ordinaryWrap;
    if (m_box->wordWrapMode() != mode)
        m_box->setWordWrapMode(mode);
}

} // namespace fenwave
