#pragma once

#include "app/sharedstate.h"

#include <QByteArray>
#include <QString>
#include <span>

class QIODevice;

// Titles of the text log, by writer.
inline const QString kTitleSave = QStringLiteral("Quenvo  Data Logger");    // data table "save", full store
inline const QString kTitleShutdown = QStringLiteral("Quenvo Data Logger"); // shutdown save

// Outcome of writing a data file. `reason` is a sentence a window can show
// after the file name, for example "Permission denied".
struct WriteResult
{
    bool ok = true;
    QString reason;
    explicit operator bool() const { return ok; }
    static WriteResult success() { return {}; }
    static WriteResult failure(QString why) { return {false, std::move(why)}; }
};

// Line builders (UTF-8, each line ends with CR LF). Shared by the whole-file
// writers and by the headless logger, which appends line by line.
namespace datafiles {

// Print-zone layout: zones of 14 columns; after every item but the last,
// spaces up to the next zone start; columns are counted in characters.
QByteArray textTitleLine(const QString &title, const QString &date, const QString &time);
QByteArray textRecordLine(const MeasurementRecord &record);
QByteArray csvHeaderLine(); // "NO.","FUN","DATA","UNIT","TIME"
QByteArray csvRecordLine(const MeasurementRecord &record);

// The same lines appended to `out`; a buffer that is reused allocates nothing
// per line once it has grown to its working size.
void appendTextTitleLine(QByteArray &out, const QString &title, const QString &date, const QString &time);
void appendTextRecordLine(QByteArray &out, const MeasurementRecord &record);
void appendCsvRecordLine(QByteArray &out, const MeasurementRecord &record);

// The value form of the comma-separated log: locale-independent, up to 15
// significant digits, no trailing zeros, no point for whole values, no zero
// before the point below 1 (0.5 -> ".5", -0.012 -> "-.012"), never an
// exponent; -0.0 -> "0"; NaN and infinities -> "nan", "inf", "-inf".
QByteArray csvValue(double value);

// Lines are gathered into chunks of about this size before they go to the
// device: few large writes cost the system far less than many small ones.
inline constexpr qsizetype kWriteChunkBytes = 1024 * 1024;

// Stream writers on an open device: every write is checked; on the first
// failure they stop and return the device's reason. Lines go out in chunks of
// about kWriteChunkBytes; a file device is flushed at the end, so a full disk
// shows here.
WriteResult writeTextLog(QIODevice &device, const QString &title, const QString &date, const QString &time,
                         std::span<const MeasurementRecord> records);
WriteResult writeCsvLog(QIODevice &device, std::span<const MeasurementRecord> records);

} // namespace datafiles

// Whole-file saves into a regular file only: a link is followed to the file it
// points at (the link stays), and a directory, device, FIFO or socket is
// refused with nothing changed (see SaveTarget). The log goes through a save
// file, so a failed save leaves any previous file byte-identical; success only
// after a good commit. Where the folder takes no new file but the file itself
// is writable, the file is written in place instead, every write checked; a
// failure then leaves part of the log in it, and the reason says so.
WriteResult saveTextLog(const QString &path, const QString &title, const QString &date, const QString &time,
                        std::span<const MeasurementRecord> records);
WriteResult saveCsvLog(const QString &path, std::span<const MeasurementRecord> records);
