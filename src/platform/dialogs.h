#pragma once

#include <QString>
#include <QStringList>
#include <deque>

class QWidget;

namespace dialogtext {

// Word joiner (U+2060): keeps the characters on both sides on one line.
inline constexpr char16_t kWordJoiner = 0x2060;

// `text` as a message box shows it: a path in it (a run of non-blank
// characters with a slash or a backslash, "/dev/ttyUSB0") is never broken
// across lines; a word joiner stands at each place inside it where a line
// could otherwise break. Everything else is unchanged.
QString keepPathsWhole(const QString &text);

} // namespace dialogtext

// Every message box and the save dialog go through this seam, so tests can
// script the answers and check what was asked.
class Dialogs
{
public:
    enum class Answer { Yes, No };

    virtual ~Dialogs() = default;

    // Yes/No question without icon; the title is the program's ("Quenvo").
    virtual Answer askYesNo(QWidget *parent, const QString &text) = 0;
    // A message with an OK button. `detail` (may be empty) is shown as a
    // second paragraph under the fixed text.
    virtual void tell(QWidget *parent, const QString &text, const QString &detail = {}) = 0;
    // Save dialog. `filter` is written "description|pattern", for example
    // "text files (*.txt)|*.txt". Returns the chosen path, or "" on cancel.
    virtual QString saveFileName(QWidget *parent, const QString &title, const QString &filter) = 0;
};

// The real dialogs: QMessageBox and QFileDialog, modal. Paths in messages
// stay on one line (dialogtext::keepPathsWhole); copying a message (Ctrl+C)
// gives its texts as they were passed in.
class QtDialogs : public Dialogs
{
public:
    Answer askYesNo(QWidget *parent, const QString &text) override;
    void tell(QWidget *parent, const QString &text, const QString &detail = {}) override;
    QString saveFileName(QWidget *parent, const QString &title, const QString &filter) override;
};

// Scripted dialogs for tests: answers are taken from the queues in order
// (a question with no scripted answer gets No, a save dialog gets ""), and
// every call is recorded as "ask:<text>", "tell:<text>|<detail>" or
// "save:<title>|<filter>".
class ScriptedDialogs : public Dialogs
{
public:
    std::deque<Answer> answers;
    std::deque<QString> fileNames;
    QStringList asked;

    Answer askYesNo(QWidget *parent, const QString &text) override;
    void tell(QWidget *parent, const QString &text, const QString &detail = {}) override;
    QString saveFileName(QWidget *parent, const QString &title, const QString &filter) override;
};
