#pragma once

#include <QFile>
#include <QString>

#include <vector>

// The logger's output files: what may be written where, and how an existing
// file is continued or replaced. Every output goes into a regular file only
// (a link is followed to the file it points at; a directory, device, FIFO or
// socket is refused), no two outputs may be one file, and an existing log is
// never emptied unasked.
namespace logoutputs {

// What to do with an output file that already holds something.
enum class Existing {
    Refuse,  // the default: a run never wipes an earlier log silently
    Append,  // --append: continue it (no second heading, numbering goes on)
    Replace, // --force: empty it and start again
};

enum class Format { Csv, Text, Capture };

struct Output
{
    QString option; // "--csv", "--text", "--capture": how the user named it
    QString path;
    Format format = Format::Csv;
};

struct Opened
{
    bool ok = false;
    bool usageError = false;  // a refusal the user can mend by choosing (status 2)
    QString message;          // on failure: names the path and why
    bool needsHeading = true; // new or empty: the heading or title goes first
    qint64 lastNumber = 0;    // Append: number of the last record found in the file
    QString notice;           // Append: something the user should know (a cut line was closed)
};

// The first pair of outputs (or an output and the replay file, when
// `replayFile` is not empty) that are one file, by the file's identity: the
// same file through a hard link, a symbolic link or another spelling of its
// path, or the same path not created yet. Empty when there is none.
QString sameFileConflict(const std::vector<Output> &outputs, const QString &replayFile);

// Opens `output` on `file` for writing. An absent or empty file is started
// afresh; a file with content is refused unless `existing` says to continue
// it (which needs a log of the same format, whose last record number is
// given back) or to replace it. The file is opened without waiting, and what
// was opened is checked to be a regular file before anything is written.
Opened open(QFile &file, const Output &output, Existing existing);

} // namespace logoutputs
