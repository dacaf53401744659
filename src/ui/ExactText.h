#pragma once

#include <QObject>
#include <QString>
#include <QTextOption>

class QPlainTextEdit;

namespace fenwave {

// Keeps the exact text of a plain-text box. The box alone cannot hold it: it gives a no-break
// space back as a blank and U+2028, U+2029 and CR as LF. So the box only shows the text, and
// this object keeps the characters put in by the program and applies each edit the box sees
// to them. A line break typed into the box comes back as LF.
//
// Qt's word wrapping takes time that grows with the square of a stretch without a break
// opportunity (a second for 100 000 letters, half of it again for each keystroke); a text
// longer than any ordinary line is therefore wrapped anywhere, which takes linear time.
class ExactText : public QObject
{
    Q_OBJECT
public:
    explicit ExactText(QPlainTextEdit *box);

    QString text() const { return m_text; }
    void setText(const QString &text);

    // Texts up to this length keep the box's own word wrapping.
    static constexpr qsizetype kLongestWordWrappedText = 4096;

private:
    void applyEdit(int position, int removed, int added);
    void fitWrapToLength(qsizetype length);

    QPlainTextEdit *m_box;
    QString m_text;
    bool m_setting = false;
    QTextOption::WrapMode m_ordinaryWrap;
};

} // namespace fenwave
