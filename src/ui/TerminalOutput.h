#pragma once

#include <QString>
#include <QTextCursor>

#include <limits>

class QTextDocument;

namespace fenwave {

// A small part of a terminal, writing a program's output into a text document: CR returns to
// the start of the line and the next text replaces it, LF goes to the next line, backspace
// steps back, text overwrites what stands after the cursor, "ESC [ n A" goes n lines up and
// "ESC [ K" clears the line (0 or nothing: to its end, 1: to the cursor, 2: all of it). Every
// other escape sequence (CSI, OSC and the other strings, two-character ones) and every other
// control character shows nothing, as in a terminal.
//
// Bounded whatever the program writes: a line keeps its last kLongestLine characters (a
// progress line is rewritten in place, so its latest text is what matters), and nothing else
// grows with the output. The number of lines is the document's maximum block count.
class TerminalOutput
{
public:
    static constexpr int kLongestLine = 4096;

    explicit TerminalOutput(QTextDocument *document);

    // Writes `text`, or as much of it as takes `changes` changes of the document (each lays out
    // at most one line), and returns how much it wrote. The rest is for a later call: no part
    // of a text is then left half done.
    qsizetype write(QStringView text, int changes = std::numeric_limits<int>::max());
    // The output is over: an escape sequence left open ends.
    void finish();

private:
    enum class State {
        Text,
        Escape,             // after ESC
        EscapeIntermediate, // ESC, then bytes from 0x20 to 0x2F
        Csi,                // ESC [, parameters so far
        CsiIgnored,         // a CSI sequence too long or of a form the view does not act on
        String,             // ESC ] (or P, X, ^, _): up to BEL or ESC \ .
        StringEscape,       // ESC inside a string
    };

    void take(QChar c);
    void control(char16_t code);
    void performCsi(char16_t final);
    void writeText(QStringView text);
    void trimLine();
    void clearInLine(int mode);

    QTextCursor m_cursor; // where the program writes next
    State m_state = State::Text;
    bool m_clearLine = false; // a CR came: the next text replaces the line
    QString m_parameters;     // of the CSI sequence being read
    int m_changesLeft = 0;    // of the current call of write()
};

} // namespace fenwave
