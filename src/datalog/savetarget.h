#pragma once

#include <QString>

// What a save is about to write over, looked at before anything is created.
//
// A log is only ever written into a regular file. An absent path or a regular
// file is written as asked; a symbolic link is followed (a chain of them as
// well) and the file it points at is written, so the link stays a link;
// anything else (a directory, a character or block device, a FIFO, a socket)
// is refused and left as it is. A link whose target does not exist yet is
// followed too: the target is created.
struct SaveTarget
{
    enum class Kind {
        Absent,  // nothing at `writePath`: the save creates it
        Regular, // a regular file at `writePath`: the save replaces it
        Refused, // not a file a log may go into; see `refusal`
    };

    Kind kind = Kind::Absent;
    QString writePath; // what to write: the path itself, or the end of its link chain
    QString what;      // for Refused: "a directory", "a character device", ...
    QString refusal;   // for Refused: a sentence saying what is there and that nothing was written

    bool refused() const { return kind == Kind::Refused; }
};

namespace savetarget {

// Looks at `path` without opening it (opening a FIFO or a device can block or
// act on the device). A path whose folder cannot be looked into is reported
// as Absent: creating the file then fails with the system's own reason.
SaveTarget inspect(const QString &path);

// The kind of thing an open descriptor refers to, in the words of
// SaveTarget::what; empty for a regular file. Used to confirm, after an open,
// that nothing else was put in the file's place meanwhile.
QString describeDescriptor(int fd);

} // namespace savetarget
