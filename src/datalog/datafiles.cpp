#include "datalog/datafiles.h"

#include "datalog/savetarget.h"

#include <QFileDevice>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype kZoneWidth = 14;
constexpr int kSignificantDigits = 15;
// Lines are gathered into chunks of about this size before they go to the device.
constexpr qsizetype kChunkBytes = 64 * 1024;

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

// One text log line in print-zone layout. Zones are 14 columns wide and start
// at columns 1, 15, 29, 43, ...; columns are counted in characters (QString
// length), so "Ω" takes one column. Every item starts at a zone start. After an
// item that is not the last, spaces are written up to the first zone start that
// leaves at least one blank column after the item. Hence:
//  - an item of 1 to 13 characters takes exactly its zone;
//  - a longer item runs on into the following zones; one that ends on the last
//    column of a zone (14, 28, ... characters) is followed by a whole blank
//    zone, so two items never touch;
//  - an empty item still takes its whole zone, so the columns after an empty
//    caption stay where they are.
// The last item is followed directly by the line end (an empty last item
// leaves the padding that precedes it).
class ZoneLine
{
public:
    ZoneLine() { m_text.reserve(96); }

    void add(const QString &item)
    {
        if (m_itemCount > 0)
            padToNextZone();
        m_text += item;
        ++m_itemCount;
    }

    // A number item: a space, the decimal digits, a space.
    void addNumber(std::int32_t number) { add(u' ' + QString::number(number) + u' '); }

    QByteArray toBytes() const { return m_text.toUtf8() + kLineEnd; }

private:
    void padToNextZone()
    {
        const qsizetype nextStart = (m_text.size() / kZoneWidth + 1) * kZoneWidth;
        m_text.append(QString(nextStart - m_text.size(), u' '));
    }

    QString m_text;
    int m_itemCount = 0;
};

void appendQuoted(QByteArray &out, const QString &text)
{
    out += '"';
    out += text.toUtf8();
    out += '"';
}

const QString kNotAllWritten = QStringLiteral("Not all data could be written");

// Why a write to `device` failed. A file says it by its error code; another
// device by its error text, unless it simply stopped taking data (`stalled`:
// a write that took nothing without failing).
QString deviceReason(const QIODevice &device, bool stalled)
{
    if (auto *file = qobject_cast<const QFileDevice *>(&device)) {
        if (file->error() == QFileDevice::NoError)
            return kNotAllWritten;
    } else if (stalled) {
        return kNotAllWritten;
    }
    const QString why = device.errorString();
    return why.isEmpty() ? kNotAllWritten : why;
}

// Gathers lines into chunks and writes them to the device, checking every
// write. After the first failure nothing more is written.
class ChunkWriter
{
public:
    explicit ChunkWriter(QIODevice &device) : m_device(device) { m_buffer.reserve(kChunkBytes + 256); }

    bool add(const QByteArray &line)
    {
        m_buffer += line;
        return m_buffer.size() < kChunkBytes || drain();
    }

    // Writes what is left and, for a file, pushes Qt's own buffer to the
    // system, where a full disk or a size limit shows.
    WriteResult finish()
    {
        if (!drain())
            return failure();
        if (auto *file = qobject_cast<QFileDevice *>(&m_device)) {
            if (!file->flush() || file->error() != QFileDevice::NoError)
                return failure();
        }
        return WriteResult::success();
    }

    WriteResult failure() const { return WriteResult::failure(deviceReason(m_device, m_stalled)); }

private:
    // A device may take part of a chunk; the rest is offered again, so that a
    // write that cannot go on fails with the system's own reason.
    bool drain()
    {
        const char *data = m_buffer.constData();
        qint64 left = m_buffer.size();
        while (left > 0) {
            const qint64 written = m_device.write(data, left);
            if (written <= 0) {
                m_stalled = written == 0;
                return false;
            }
            data += written;
            left -= written;
        }
        m_buffer.resize(0);
        return true;
    }

    QIODevice &m_device;
    QByteArray m_buffer;
    bool m_stalled = false;
};

// True when the open descriptor `fd` is the file at `path` itself, not a new one.
bool isFileAt(int fd, const QString &path)
{
    struct stat open = {};
    struct stat there = {};
    return ::fstat(fd, &open) == 0 && ::stat(QFile::encodeName(path).constData(), &there) == 0 &&
           open.st_dev == there.st_dev && open.st_ino == there.st_ino;
}

// Runs `writeLog` on a save file for the regular file `path` names (or will
// name); the file replaces the previous one only when every write, the flush
// and the commit succeeded. A link is followed, so the file it points at is
// replaced and the link kept; anything but a regular file is refused before
// anything is created.
template <typename WriteLog> WriteResult saveThroughSaveFile(const QString &path, WriteLog writeLog)
{
    if (path.isEmpty())
        return WriteResult::failure(QStringLiteral("No file name was given"));
    const SaveTarget target = savetarget::inspect(path);
    if (target.refused())
        return WriteResult::failure(target.refusal);

    // Unbuffered: the writer already hands over large chunks, and each of them
    // then reaches the system at once, where a failure carries its reason.
    // Where the folder refuses a new file (no write permission) but the file
    // itself is writable, the save file writes the file in place: it is
    // emptied first, so a failure part-way leaves part of the log in it.
    QSaveFile file(target.writePath);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return WriteResult::failure(deviceReason(file, false));
    const bool inPlace = isFileAt(file.handle(), target.writePath);

    WriteResult written = writeLog(file);
    if (written && !file.commit())
        written = WriteResult::failure(deviceReason(file, false));
    if (!written) {
        file.cancelWriting();
        if (inPlace)
            written.reason += QStringLiteral(". The folder does not allow a temporary file, so the file was "
                                             "written in place and now holds only part of the log");
        return written;
    }
    return WriteResult::success();
}

} // namespace

namespace datafiles {

QByteArray textTitleLine(const QString &title, const QString &date, const QString &time)
{
    ZoneLine line;
    line.add(title);
    line.add(date);
    line.add(time);
    return line.toBytes();
}

QByteArray textRecordLine(const MeasurementRecord &record)
{
    ZoneLine line;
    line.addNumber(record.number);
    line.add(record.function);
    line.add(record.data);
    line.add(record.unit);
    line.add(record.time);
    return line.toBytes();
}

QByteArray csvHeaderLine()
{
    return QByteArrayLiteral("\"NO.\",\"FUN\",\"DATA\",\"UNIT\",\"TIME\"") + kLineEnd;
}

QByteArray csvRecordLine(const MeasurementRecord &record)
{
    QByteArray line;
    line.reserve(96);
    line += QByteArray::number(record.number);
    line += ',';
    appendQuoted(line, record.function);
    line += ',';
    line += csvValue(record.value);
    line += ',';
    appendQuoted(line, record.unit);
    line += ',';
    appendQuoted(line, record.time);
    line += kLineEnd;
    return line;
}

// NaN and infinities cannot come from the meter; they are written as "nan",
// "inf" and "-inf", which common number parsers read back. Zero of either sign
// is "0". Every finite value is written in positional form, never with an
// exponent, whatever its magnitude.
QByteArray csvValue(double value)
{
    if (std::isnan(value))
        return QByteArrayLiteral("nan");
    if (std::isinf(value))
        return value < 0 ? QByteArrayLiteral("-inf") : QByteArrayLiteral("inf");
    if (value == 0.0)
        return QByteArrayLiteral("0");

    // Scientific form rounded to 15 significant digits: "[-]d.dddddddddddddde[+-]x".
    char buffer[40];
    const auto converted = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific,
                                         kSignificantDigits - 1);
    std::string_view text(buffer, converted.ptr - buffer);

    const bool negative = text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    const std::size_t ePos = text.find('e');
    int exponent = 0;
    const std::string_view exponentText = text.substr(ePos + 1);
    std::from_chars(exponentText.data() + 1, exponentText.data() + exponentText.size(), exponent);
    if (exponentText.front() == '-')
        exponent = -exponent;

    // Significant digits without the point and without trailing zeros.
    char digits[kSignificantDigits];
    qsizetype digitCount = 0;
    for (std::size_t i = 0; i < ePos; ++i) {
        if (text[i] != '.')
            digits[digitCount++] = text[i];
    }
    while (digitCount > 1 && digits[digitCount - 1] == '0')
        --digitCount;

    // The first digit stands for 10^exponent; intDigits digits precede the point.
    const qsizetype intDigits = exponent + 1;
    QByteArray out;
    out.reserve(std::max<qsizetype>(intDigits, -intDigits) + digitCount + 3);
    if (negative)
        out += '-';
    if (intDigits <= 0) {
        out += '.';
        out.append(-intDigits, '0');
        out.append(digits, digitCount);
    } else if (intDigits >= digitCount) {
        out.append(digits, digitCount);
        out.append(intDigits - digitCount, '0');
    } else {
        out.append(digits, intDigits);
        out += '.';
        out.append(digits + intDigits, digitCount - intDigits);
    }
    return out;
}

WriteResult writeTextLog(QIODevice &device, const QString &title, const QString &date, const QString &time,
                         std::span<const MeasurementRecord> records)
{
    ChunkWriter writer(device);
    if (!writer.add(textTitleLine(title, date, time)) || !writer.add(kLineEnd))
        return writer.failure();
    for (const MeasurementRecord &record : records) {
        if (!writer.add(textRecordLine(record)))
            return writer.failure();
    }
    return writer.finish();
}

WriteResult writeCsvLog(QIODevice &device, std::span<const MeasurementRecord> records)
{
    ChunkWriter writer(device);
    if (!writer.add(csvHeaderLine()))
        return writer.failure();
    for (const MeasurementRecord &record : records) {
        if (!writer.add(csvRecordLine(record)))
            return writer.failure();
    }
    return writer.finish();
}

} // namespace datafiles

WriteResult saveTextLog(const QString &path, const QString &title, const QString &date, const QString &time,
                        std::span<const MeasurementRecord> records)
{
    return saveThroughSaveFile(
        path, [&](QIODevice &device) { return datafiles::writeTextLog(device, title, date, time, records); });
}

WriteResult saveCsvLog(const QString &path, std::span<const MeasurementRecord> records)
{
    return saveThroughSaveFile(path,
                               [&](QIODevice &device) { return datafiles::writeCsvLog(device, records); });
}
