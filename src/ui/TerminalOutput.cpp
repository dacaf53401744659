#include "ui/TerminalOutput.h"

#include <QTextBlock>
#include <QTextDocument>

namespace fenwave {

namespace {

constexpr char16_t kBell = 0x07;
constexpr char16_t kBackspace = 0x08;
constexpr char16_t kCancel = 0x18;
constexpr char16_t kSubstitute = 0x1A;
constexpr char16_t kEscape = 0x1B;
constexpr char16_t kDelete = 0x7F;
// A CSI sequence with a longer parameter text is no sequence the view acts on.
constexpr int kLongestParameters = 32;

// The byte classes of escape sequences.
bool isIntermediate(char16_t c)
{
    return c >= 0x20 && c <= 0x2F;
}
bool isParameter(char16_t c)
{
    return c >= 0x30 && c <= 0x3F;
}
bool isCsiFinal(char16_t c)
{
    return c >= 0x40 && c <= 0x7E;
}
// Inside a sequence only these end it; a character beyond ASCII ends it and is shown.
bool isAscii(char16_t c)
{
    return c < 0x80;
}
// ESC ] (operating system command), P (device control), X, ^ and _: strings up to BEL or ESC \.
bool opensString(char16_t c)
{
    return c == u']' || c == u'P' || c == u'X' || c == u'^' || c == u'_';
}
bool isShownInText(char16_t c)
{
    return (c >= 0x20 && c != kDelete) || c == u'\t';
}

// The last `size` characters of `text`, never starting inside a surrogate pair.
QStringView lastCharacters(QStringView text, qsizetype size)
{
    if (text.size() <= size)
        return text;
    QStringView tail = text.last(size);
    if (tail.front().isLowSurrogate())
        tail = tail.mid(1);
    return tail;
}

} // namespace

TerminalOutput::TerminalOutput(QTextDocument *document) : m_cursor(document) {}

qsizetype TerminalOutput::write(QStringView text, int changes)
{
    m_changesLeft = changes;
    qsizetype runStart = -1; // start of a run of plain text
    qsizetype i = 0;
    for (; i < text.size() && m_changesLeft > 0; ++i) {
        const char16_t c = text.at(i).unicode();
        if (m_state == State::Text && isShownInText(c)) {
            if (runStart < 0)
                runStart = i;
            continue;
        }
        if (runStart >= 0)
            writeText(text.mid(runStart, i - runStart));
        runStart = -1;
        take(text.at(i));
    }
    if (runStart >= 0)
        writeText(text.mid(runStart, i - runStart));
    return i;
}

void TerminalOutput::finish()
{
    m_state = State::Text;
}

// One character that is not plain text, or that comes inside an escape sequence.
void TerminalOutput::take(QChar character)
{
    const char16_t c = character.unicode();
    const QStringView shown(&character, 1);
    switch (m_state) {
    case State::String:
        if (c == kBell || c == kCancel || c == kSubstitute)
            m_state = State::Text;
        else if (c == kEscape)
            m_state = State::StringEscape;
        return;
    case State::StringEscape:
        m_state = State::Text;
        if (c != u'\\') { // not the string's end: the ESC opens a sequence of its own
            take(QChar(kEscape));
            take(character);
        }
        return;
    default: break;
    }
    // Control characters act inside sequences as well; ESC starts over, CAN and SUB cancel.
    if (c == kEscape) {
        m_state = State::Escape;
        m_parameters.clear();
        return;
    }
    if (c == kCancel || c == kSubstitute) {
        m_state = State::Text;
        return;
    }
    if (c < 0x20 || c == kDelete) {
        control(c);
        return;
    }
    switch (m_state) {
    case State::Text: writeText(shown); break;
    case State::Escape:
        if (c == u'[')
            m_state = State::Csi;
        else if (opensString(c))
            m_state = State::String;
        else if (isIntermediate(c))
            m_state = State::EscapeIntermediate;
        else
            m_state = State::Text; // a two-character sequence ends here
        if (!isAscii(c))
            writeText(shown);
        break;
    case State::EscapeIntermediate:
        if (isIntermediate(c))
            break;
        m_state = State::Text;
        if (!isAscii(c))
            writeText(shown);
        break;
    case State::Csi:
        if (isParameter(c) && m_parameters.size() < kLongestParameters) {
            m_parameters += character;
        } else if (isParameter(c) || isIntermediate(c)) {
            m_state = State::CsiIgnored;
        } else {
            m_state = State::Text;
            if (isCsiFinal(c))
                performCsi(c);
            else
                writeText(shown);
        }
        break;
    case State::CsiIgnored:
        if (isCsiFinal(c) || !isAscii(c))
            m_state = State::Text;
        if (!isAscii(c))
            writeText(shown);
        break;
    default: break;
    }
}

void TerminalOutput::control(char16_t code)
{
    switch (code) {
    case u'\r':
        m_cursor.movePosition(QTextCursor::StartOfBlock);
        m_clearLine = true;
        break;
    case u'\n':
        m_clearLine = false;
        if (!m_cursor.movePosition(QTextCursor::NextBlock)) {
            m_cursor.movePosition(QTextCursor::EndOfBlock);
            m_cursor.insertBlock();
            --m_changesLeft;
        }
        break;
    case kBackspace:
        if (!m_cursor.atBlockStart())
            m_cursor.movePosition(QTextCursor::PreviousCharacter);
        break;
    case u'\t': writeText(u"\t"); break;
    default: break;
    }
}

void TerminalOutput::performCsi(char16_t final)
{
    bool isNumber = false;
    const int number = m_parameters.toInt(&isNumber);
    if (final == u'A')
        m_cursor.movePosition(QTextCursor::PreviousBlock, QTextCursor::MoveAnchor, qMax(1, number));
    else if (final == u'K' && (m_parameters.isEmpty() || isNumber))
        clearInLine(number);
}

// What a terminal blanks stays blank up to the cursor, so that the next text lands in its
// column.
void TerminalOutput::clearInLine(int mode)
{
    const QTextBlock block = m_cursor.block();
    const int column = m_cursor.positionInBlock();
    const int length = block.length() - 1;
    QTextCursor edit(block);
    switch (mode) {
    case 0:
        edit.setPosition(m_cursor.position());
        edit.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        edit.removeSelectedText();
        break;
    case 1: {
        const int blanks = qMin(column + 1, length); // the cursor's own column too
        edit.setPosition(block.position() + blanks, QTextCursor::KeepAnchor);
        edit.insertText(QString(blanks, u' '));
        break;
    }
    case 2:
        edit.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        edit.insertText(QString(column, u' '));
        break;
    default: return;
    }
    m_cursor.setPosition(block.position() + column);
    --m_changesLeft;
}

void TerminalOutput::writeText(QStringView text)
{
    // A text as long as a whole line covers whatever stood there.
    if (text.size() >= kLongestLine) {
        text = lastCharacters(text, kLongestLine);
        m_clearLine = true;
    }
    if (m_clearLine) {
        m_cursor.movePosition(QTextCursor::StartOfBlock);
        m_cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        m_clearLine = false;
    } else {
        const int toEnd = m_cursor.block().length() - 1 - m_cursor.positionInBlock();
        m_cursor.setPosition(m_cursor.position() + int(qMin<qsizetype>(text.size(), toEnd)), QTextCursor::KeepAnchor);
    }
    m_cursor.insertText(text.toString());
    --m_changesLeft;
    trimLine();
}

// Of a line grown too long its start goes.
void TerminalOutput::trimLine()
{
    const QTextBlock block = m_cursor.block();
    int cut = block.length() - 1 - kLongestLine;
    if (cut <= 0)
        return;
    if (block.document()->characterAt(block.position() + cut).isLowSurrogate())
        ++cut;
    QTextCursor head(block);
    head.setPosition(block.position() + cut, QTextCursor::KeepAnchor);
    head.removeSelectedText();
    --m_changesLeft;
}

} // namespace fenwave
