#include "datalog/datafiles.h"

#include "datalog/savetarget.h"

#include <QFileDevice>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr qsizetype kZoneWidth = 14;
constexpr int kSignificantDigits = 15;
using datafiles::kWriteChunkBytes;

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

// --- Writing into a line buffer ---------------------------------------------
//
// A line is written straight into the caller's buffer: room for the longest
// form of the line is made first, the bytes are put through a pointer, and
// the buffer is cut back to what was written. Nothing is allocated per line
// once the buffer has grown to its working size.

// Room for `text` in UTF-8: three bytes per UTF-16 unit at most (a surrogate
// pair takes four bytes for two units).
constexpr qsizetype utf8Room(qsizetype units)
{
    return 3 * units;
}

// Puts the UTF-8 form of `text` at `out`: the bytes QString::toUtf8() gives.
// Runs of ASCII go eight or four characters at a time.
char *putUtf8(char *out, QStringView text)
{
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    while (p < end) {
#if defined(__SSE2__)
        while (end - p >= 8) {
            const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
            const __m128i high = _mm_and_si128(units, _mm_set1_epi16(static_cast<short>(0xFF80)));
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) != 0xFFFF)
                break;
            _mm_storel_epi64(reinterpret_cast<__m128i *>(out), _mm_packus_epi16(units, units));
            p += 8;
            out += 8;
        }
#endif
        while (end - p >= 4) {
            std::uint64_t units;
            std::memcpy(&units, p, sizeof units);
            if (units & 0xFF80FF80FF80FF80ull)
                break;
            for (int i = 0; i < 4; ++i)
                out[i] = static_cast<char>(p[i]);
            p += 4;
            out += 4;
        }
        if (p == end)
            break;
        const char16_t c = *p;
        if (c < 0x80) {
            *out++ = static_cast<char>(c);
        } else if (c < 0x800) {
            *out++ = static_cast<char>(0xC0 | (c >> 6));
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (QChar::isSurrogate(c)) {
            // Pairs and stray halves: Qt's own conversion, for the same bytes.
            const QByteArray rest = QStringView(p, end).toUtf8();
            std::memcpy(out, rest.constData(), static_cast<std::size_t>(rest.size()));
            return out + rest.size();
        } else {
            *out++ = static_cast<char>(0xE0 | (c >> 12));
            *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
        }
        ++p;
    }
    return out;
}

constexpr qsizetype kNumberRoom = 11; // "-2147483648"

char *putNumber(char *out, std::int32_t number)
{
    return std::to_chars(out, out + kNumberRoom, number).ptr;
}

// Appends the line `put` writes (at most `room` bytes) to `buffer`.
template <typename Put> void appendLine(QByteArray &buffer, qsizetype room, Put put)
{
    const qsizetype used = buffer.size();
    buffer.resize(used + room);
    char *const end = put(buffer.data() + used);
    buffer.resize(end - buffer.constData());
}

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
    static constexpr qsizetype kPadStore = 16;

public:
    // Room for the line whose items have `units` UTF-16 units in all,
    // `items` of them, one possibly a number item.
    static constexpr qsizetype room(qsizetype units, int items)
    {
        return utf8Room(units) + kNumberRoom + 2 + items * kZoneWidth + kPadStore + 2;
    }

    explicit ZoneLine(char *out) : m_out(out) {}

    void add(QStringView item)
    {
        padIfNotFirst();
        m_out = putUtf8(m_out, item);
        m_column += item.size();
    }

    // A number item: a space, the decimal digits, a space.
    void addNumber(std::int32_t number)
    {
        padIfNotFirst();
        char *const start = m_out;
        *m_out++ = ' ';
        m_out = putNumber(m_out, number);
        *m_out++ = ' ';
        m_column += m_out - start;
    }

    // Ends the line; returns the end of what was written.
    char *finish()
    {
        *m_out++ = '\r';
        *m_out++ = '\n';
        return m_out;
    }

private:
    void padIfNotFirst()
    {
        if (m_first) {
            m_first = false;
            return;
        }
        // A padding is 1 to 14 spaces: 16 are put, the rest is written over.
        static constexpr char kSpaces[kPadStore + 1] = "                ";
        const qsizetype nextStart = (m_column / kZoneWidth + 1) * kZoneWidth;
        std::memcpy(m_out, kSpaces, kPadStore);
        m_out += nextStart - m_column;
        m_column = nextStart;
    }

    char *m_out;
    qsizetype m_column = 0;
    bool m_first = true;
};

char *putQuoted(char *out, QStringView text)
{
    *out++ = '"';
    out = putUtf8(out, text);
    *out++ = '"';
    return out;
}

constexpr qsizetype kCsvValueRoom = 360; // the widest form: "-" and 309 digits, or "." and 324 digits
constexpr double kPowersOfTen[] = {1.0, 10.0, 100.0, 1e3, 1e4, 1e5, 1e6};

// The value in the form of csvValue(), at `out`.
char *putCsvValue(char *out, double value)
{
    auto put = [&out](std::string_view text) {
        std::memcpy(out, text.data(), text.size());
        out += text.size();
    };
    if (std::isnan(value)) {
        put("nan");
        return out;
    }
    if (std::isinf(value)) {
        put(value < 0 ? "-inf" : "inf");
        return out;
    }
    if (value == 0.0) {
        put("0");
        return out;
    }
    if (value < 0)
        *out++ = '-';
    const double magnitude = std::fabs(value);

    // Significant digits (no point, no trailing zeros) and how many of them
    // precede the point (may be zero or negative: zeros after the point).
    char digits[kSignificantDigits + 1] = {};
    qsizetype digitCount = 0;
    qsizetype intDigits = 0;

    // A reading's value is a whole count over a power of ten. When the value
    // is the double nearest to m / 10^k with m below 10^15, that decimal is
    // what rounding to 15 significant digits gives back, so its digits are
    // the answer and the general conversion is not needed.
    bool found = false;
    for (int k = 0; k < int(std::size(kPowersOfTen)) && !found; ++k) {
        const double product = magnitude * kPowersOfTen[k];
        if (product >= 1e15)
            break;
        // The nearest whole number: below 2^52, adding and taking away 2^52
        // rounds to it (to the even one at a half).
        const double scaled = (product + 0x1p52) - 0x1p52;
        // The product of a match is within a few units in the last place of
        // the whole number; the exact test (a division) only runs near one.
        if (std::fabs(product - scaled) > 1e-9 * scaled)
            continue;
        if (scaled >= 1.0 && scaled < 1e15 && scaled / kPowersOfTen[k] == magnitude) {
            const auto end = std::to_chars(digits, digits + sizeof digits, std::uint64_t(scaled)).ptr;
            digitCount = end - digits;
            intDigits = digitCount - k;
            found = true;
        }
    }
    if (found) {
        while (digitCount > 1 && digits[digitCount - 1] == '0' && digitCount > intDigits)
            --digitCount;
        if (intDigits <= 0) {
            *out++ = '.';
            for (qsizetype i = intDigits; i < 0; ++i)
                *out++ = '0';
            for (qsizetype i = 0; i < digitCount; ++i)
                *out++ = digits[i];
        } else {
            for (qsizetype i = 0; i < digitCount; ++i) {
                if (i == intDigits)
                    *out++ = '.';
                *out++ = digits[i];
            }
        }
        return out;
    }
    if (!found) {
        // Scientific form rounded to 15 significant digits: "d.dddddddddddddde[+-]x".
        char buffer[40];
        const auto converted = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                             std::chars_format::scientific, kSignificantDigits - 1);
        const std::string_view text(buffer, converted.ptr - buffer);
        const std::size_t ePos = text.find('e');
        int exponent = 0;
        const std::string_view exponentText = text.substr(ePos + 1);
        std::from_chars(exponentText.data() + 1, exponentText.data() + exponentText.size(), exponent);
        if (exponentText.front() == '-')
            exponent = -exponent;
        for (std::size_t i = 0; i < ePos; ++i) {
            if (text[i] != '.')
                digits[digitCount++] = text[i];
        }
        // The first digit stands for 10^exponent.
        intDigits = exponent + 1;
    }
    while (digitCount > 1 && digits[digitCount - 1] == '0')
        --digitCount;

    if (intDigits <= 0) {
        *out++ = '.';
        std::memset(out, '0', static_cast<std::size_t>(-intDigits));
        out += -intDigits;
        put({digits, static_cast<std::size_t>(digitCount)});
    } else if (intDigits >= digitCount) {
        put({digits, static_cast<std::size_t>(digitCount)});
        std::memset(out, '0', static_cast<std::size_t>(intDigits - digitCount));
        out += intDigits - digitCount;
    } else {
        put({digits, static_cast<std::size_t>(intDigits)});
        *out++ = '.';
        put({digits + intDigits, static_cast<std::size_t>(digitCount - intDigits)});
    }
    return out;
}

// --- The lines ------------------------------------------------------------

qsizetype textTitleRoom(const QString &title, const QString &date, const QString &time)
{
    return ZoneLine::room(title.size() + date.size() + time.size(), 3);
}

char *putTextTitleLine(char *out, const QString &title, const QString &date, const QString &time)
{
    ZoneLine line(out);
    line.add(title);
    line.add(date);
    line.add(time);
    return line.finish();
}

qsizetype textRecordRoom(const MeasurementRecord &record)
{
    return ZoneLine::room(
        record.function.size() + record.data.size() + record.unit.size() + record.time.size(), 5);
}

char *putTextRecordLine(char *out, const MeasurementRecord &record)
{
    ZoneLine line(out);
    line.addNumber(record.number);
    line.add(record.function);
    line.add(record.data);
    line.add(record.unit);
    line.add(record.time);
    return line.finish();
}

qsizetype csvRecordRoom(const MeasurementRecord &record)
{
    return kNumberRoom + kCsvValueRoom + 11 +
           utf8Room(record.function.size() + record.unit.size() + record.time.size());
}

char *putCsvRecordLine(char *p, const MeasurementRecord &record)
{
    p = putNumber(p, record.number);
    *p++ = ',';
    p = putQuoted(p, record.function);
    *p++ = ',';
    p = putCsvValue(p, record.value);
    *p++ = ',';
    p = putQuoted(p, record.unit);
    *p++ = ',';
    p = putQuoted(p, record.time);
    *p++ = '\r';
    *p++ = '\n';
    return p;
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
    explicit ChunkWriter(QIODevice &device)
        : m_device(device), m_buffer(kWriteChunkBytes + 1024, Qt::Uninitialized)
    {
    }

    // Adds the line `put` writes (at most `room` bytes).
    template <typename Put> bool addLine(qsizetype room, Put put)
    {
        if (m_used + room > m_buffer.size())
            m_buffer.resize(m_used + room);
        m_used = put(m_buffer.data() + m_used) - m_buffer.constData();
        return m_used < kWriteChunkBytes || drain();
    }

    bool add(const QByteArray &line)
    {
        return addLine(line.size(), [&line](char *out) {
            std::memcpy(out, line.constData(), static_cast<std::size_t>(line.size()));
            return out + line.size();
        });
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
        qint64 left = m_used;
        while (left > 0) {
            const qint64 written = m_device.write(data, left);
            if (written <= 0) {
                m_stalled = written == 0;
                return false;
            }
            data += written;
            left -= written;
        }
        m_used = 0;
        return true;
    }

    QIODevice &m_device;
    QByteArray m_buffer; // lines gathered, the first m_used bytes
    qsizetype m_used = 0;
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

void appendTextTitleLine(QByteArray &out, const QString &title, const QString &date, const QString &time)
{
    appendLine(out, textTitleRoom(title, date, time),
               [&](char *p) { return putTextTitleLine(p, title, date, time); });
}

void appendTextRecordLine(QByteArray &out, const MeasurementRecord &record)
{
    appendLine(out, textRecordRoom(record), [&](char *p) { return putTextRecordLine(p, record); });
}

void appendCsvRecordLine(QByteArray &out, const MeasurementRecord &record)
{
    appendLine(out, csvRecordRoom(record), [&](char *p) { return putCsvRecordLine(p, record); });
}

QByteArray textTitleLine(const QString &title, const QString &date, const QString &time)
{
    QByteArray line;
    appendTextTitleLine(line, title, date, time);
    return line;
}

QByteArray textRecordLine(const MeasurementRecord &record)
{
    QByteArray line;
    appendTextRecordLine(line, record);
    return line;
}

QByteArray csvHeaderLine()
{
    return QByteArrayLiteral("\"NO.\",\"FUN\",\"DATA\",\"UNIT\",\"TIME\"") + kLineEnd;
}

QByteArray csvRecordLine(const MeasurementRecord &record)
{
    QByteArray line;
    appendCsvRecordLine(line, record);
    return line;
}

// NaN and infinities cannot come from the meter; they are written as "nan",
// "inf" and "-inf", which common number parsers read back. Zero of either sign
// is "0". Every finite value is written in positional form, never with an
// exponent, whatever its magnitude.
QByteArray csvValue(double value)
{
    char buffer[kCsvValueRoom];
    return QByteArray(buffer, putCsvValue(buffer, value) - buffer);
}

WriteResult writeTextLog(QIODevice &device, const QString &title, const QString &date, const QString &time,
                         std::span<const MeasurementRecord> records)
{
    ChunkWriter writer(device);
    const bool titleAdded = writer.addLine(textTitleRoom(title, date, time) + kLineEnd.size(), [&](char *p) {
        p = putTextTitleLine(p, title, date, time);
        *p++ = '\r';
        *p++ = '\n';
        return p;
    });
    if (!titleAdded)
        return writer.failure();
    for (const MeasurementRecord &record : records) {
        if (!writer.addLine(textRecordRoom(record), [&](char *p) { return putTextRecordLine(p, record); }))
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
        if (!writer.addLine(csvRecordRoom(record), [&](char *p) { return putCsvRecordLine(p, record); }))
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
