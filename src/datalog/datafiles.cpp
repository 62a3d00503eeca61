#include "datalog/datafiles.h"

#include "datalog/savetarget.h"

#include <QFileDevice>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>

#include <algorithm>
#include <array>
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

// Four ASCII units as four bytes; false when one of them is not ASCII.
bool packAscii4(const char16_t *p, char *out)
{
    std::uint64_t units;
    std::memcpy(&units, p, sizeof units);
    if (units & 0xFF80FF80FF80FF80ull)
        return false;
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>(p[i]);
    return true;
}

#if defined(__SSE2__)
// Eight ASCII units as eight bytes; false when one of them is not ASCII.
bool packAscii8(const char16_t *p, char *out)
{
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    const __m128i high = _mm_and_si128(units, _mm_set1_epi16(static_cast<short>(0xFF80)));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) != 0xFFFF)
        return false;
    _mm_storel_epi64(reinterpret_cast<__m128i *>(out), _mm_packus_epi16(units, units));
    return true;
}
#endif

// Puts the UTF-8 form of the units [p, end) at `out`: the bytes
// QString::toUtf8() gives. Runs of ASCII go eight or four characters at a time.
char *putUtf8Units(char *out, const char16_t *p, const char16_t *const end)
{
    while (p < end) {
#if defined(__SSE2__)
        while (end - p >= 8 && packAscii8(p, out)) {
            p += 8;
            out += 8;
        }
#endif
        while (end - p >= 4 && packAscii4(p, out)) {
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

// Puts the UTF-8 form of `text` at `out`. A text of four or more units that is
// all ASCII (a time, most captions) is put in whole blocks, the last block
// overlapping the one before it, so no unit is taken one at a time; anything
// else goes on unit by unit from the first block that is not ASCII.
char *putUtf8(char *out, QStringView text)
{
    const char16_t *const p = text.utf16();
    const qsizetype n = text.size();
    qsizetype i = 0;
#if defined(__SSE2__)
    if (n >= 8) {
        while (i + 8 <= n && packAscii8(p + i, out + i))
            i += 8;
        if (i == n || (i + 8 > n && packAscii8(p + n - 8, out + n - 8)))
            return out + n;
        return putUtf8Units(out + i, p + i, p + n);
    }
#endif
    if (n >= 4 && n <= 8) {
        if (packAscii4(p, out)) {
            i = 4;
            if (packAscii4(p + n - 4, out + n - 4))
                return out + n;
        }
    }
    return putUtf8Units(out + i, p + i, p + n);
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

// "00" to "99".
constexpr auto kTwoDigits = [] {
    std::array<char, 200> digits{};
    for (int i = 0; i < 100; ++i) {
        digits[2 * i] = static_cast<char>('0' + i / 10);
        digits[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return digits;
}();

// The trailing zeros of "00" to "99".
constexpr auto kPairZeros = [] {
    std::array<std::uint8_t, 100> zeros{};
    for (int i = 0; i < 100; ++i)
        zeros[i] = static_cast<std::uint8_t>(i == 0 ? 2 : i % 10 == 0 ? 1 : 0);
    return zeros;
}();

// The two digits of 0 to 99 as a number whose low byte is the first digit.
std::uint32_t pairBits(std::uint32_t pair)
{
    const char *const digits = kTwoDigits.data() + 2 * pair;
    return static_cast<std::uint32_t>(static_cast<unsigned char>(digits[0])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(digits[1])) << 8;
}

// The common case of a reading's value, below 10^9 in magnitude: when it is
// the double nearest to a decimal with at most six places, that decimal has at
// most 15 significant digits, so it is what rounding to 15 digits gives back.
// A decimal with fewer places is the same number in millionths, so one test
// in millionths finds them all. Puts the decimal without trailing zeros (a
// whole number without a point, none before the point when it is below one)
// and returns its end, or returns null when the value is no such decimal.
char *putMillionths(char *out, double magnitude)
{
    const double product = magnitude * 1e6; // below 10^15, within a quarter of the nearest millionth
    // The nearest whole number: below 2^52, adding and taking away 2^52 rounds
    // to it.
    const double scaled = (product + 0x1p52) - 0x1p52;
    if (scaled < 1.0 || scaled / 1e6 != magnitude)
        return nullptr;
    const auto millionths = static_cast<std::uint64_t>(scaled);
    const std::uint64_t whole = millionths / 1000000;
    const auto fraction = static_cast<std::uint32_t>(millionths % 1000000);
    // The digits are placed without branching on them (which digits a value
    // has changes from reading to reading, so a branch would often guess
    // wrong): every digit is written and the end is moved back.
    if (whole < 10000) {
        // Four digits in one word, shifted over the leading zeros (a whole
        // part of zero leaves nothing).
        const auto w = static_cast<std::uint32_t>(whole);
        const std::uint64_t four = pairBits(w / 100) | std::uint64_t(pairBits(w % 100)) << 16;
        const int count = (w > 0) + (w >= 10) + (w >= 100) + (w >= 1000);
        const std::uint64_t placed = four >> (8 * (4 - count));
        for (int i = 0; i < 4; ++i)
            out[i] = static_cast<char>(placed >> (8 * i));
        out += count;
    } else {
        out = std::to_chars(out, out + 20, whole).ptr;
    }
    // The point and six digits, then back over the trailing zeros, and over
    // the point too when the fraction is zero.
    *out = '.';
    const std::uint32_t pairs[3] = {fraction / 10000, fraction / 100 % 100, fraction % 100};
    for (int i = 0; i < 3; ++i)
        std::memcpy(out + 1 + 2 * i, kTwoDigits.data() + 2 * pairs[i], 2);
    const int zeros = kPairZeros[pairs[2]] +
                      (pairs[2] == 0) * (kPairZeros[pairs[1]] + (pairs[1] == 0) * kPairZeros[pairs[0]]);
    return out + 7 - zeros - (fraction == 0);
}

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
    *out = '-'; // kept only for a negative value; the sign changes too often to guess
    out += std::signbit(value);
    const double magnitude = std::fabs(value);
    if (magnitude < 1e9) {
        if (char *const end = putMillionths(out, magnitude))
            return end;
    }

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

// The quoted forms of the last few captions put, kept for the lines that
// follow: a record's function and unit captions are one shared string from
// record to record while the meter stays in one function, and a log holds only
// a handful of different ones, so nearly every line repeats a kept one. A text
// is known by the address and length of its characters; while a log is
// written its records do not change, so the same address and length are the
// same text.
class QuotedMemo
{
public:
    // Bytes copied at once, whatever the caption's length: a line's room
    // leaves this much over.
    static constexpr qsizetype kCopy = 64;

    char *put(char *out, const QString &text)
    {
        for (const Entry &entry : m_entries) {
            if (entry.data == text.constData() && entry.size == text.size()) {
                std::memcpy(out, entry.bytes, kCopy);
                return out + entry.length;
            }
        }
        if (text.size() <= kMaxUnits) {
            // Put twice rather than copied from the entry just written, which
            // the processor would have to wait for.
            Entry &entry = m_entries[m_next];
            m_next = (m_next + 1) % kEntries;
            entry.data = text.constData();
            entry.size = text.size();
            entry.length = putQuoted(entry.bytes, text) - entry.bytes;
        }
        return putQuoted(out, text);
    }

private:
    static constexpr qsizetype kMaxUnits = (kCopy - 2) / 3;
    static constexpr int kEntries = 4;

    struct Entry
    {
        const QChar *data = nullptr;
        qsizetype size = -1;
        qsizetype length = 0;
        char bytes[kCopy] = {};
    };
    Entry m_entries[kEntries];
    int m_next = 0;
};

// The record number of the last line, kept as text: record numbers mostly go
// up by one from line to line, and adding one to the text is cheaper than
// converting the number afresh.
class NumberMemo
{
public:
    static constexpr qsizetype kCopy = 16; // bytes copied at once

    char *put(char *out, std::int32_t number)
    {
        const bool next = m_number >= 0 && std::int64_t(number) == std::int64_t(m_number) + 1;
        m_number = number;
        if (next) {
            // The last number's digits, then one added to them here and in
            // the kept copy alike (reading the copy back at once would make
            // the processor wait for the bytes just stored).
            std::memcpy(out, m_digits, kCopy);
            for (qsizetype i = m_length - 1; i >= 0; --i) {
                if (m_digits[i] != '9') {
                    const char digit = static_cast<char>(m_digits[i] + 1);
                    m_digits[i] = digit;
                    out[i] = digit;
                    return out + m_length;
                }
                m_digits[i] = '0';
                out[i] = '0';
            }
            // All nines: the number gains a digit.
        }
        m_length = putNumber(m_digits, number) - m_digits;
        return putNumber(out, number);
    }

private:
    std::int32_t m_number = -2; // none yet
    qsizetype m_length = 0;
    char m_digits[kCopy] = {};
};

// What a log's lines keep from one line to the next.
struct CsvMemos
{
    NumberMemo number;
    QuotedMemo function;
    QuotedMemo unit;
};

qsizetype csvRecordRoom(const MeasurementRecord &record)
{
    return kNumberRoom + kCsvValueRoom + 11 +
           utf8Room(record.function.size() + record.unit.size() + record.time.size()) + QuotedMemo::kCopy;
}

// Puts one line; `memos` (kept from the line before) when lines follow one
// another, none for a line on its own.
char *putCsvRecordLine(char *p, const MeasurementRecord &record, CsvMemos *memos)
{
    p = memos ? memos->number.put(p, record.number) : putNumber(p, record.number);
    *p++ = ',';
    p = memos ? memos->function.put(p, record.function) : putQuoted(p, record.function);
    *p++ = ',';
    p = putCsvValue(p, record.value);
    *p++ = ',';
    p = memos ? memos->unit.put(p, record.unit) : putQuoted(p, record.unit);
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
    appendLine(out, csvRecordRoom(record), [&](char *p) { return putCsvRecordLine(p, record, nullptr); });
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
    CsvMemos memos;
    for (const MeasurementRecord &record : records) {
        if (!writer.addLine(csvRecordRoom(record),
                            [&](char *p) { return putCsvRecordLine(p, record, &memos); }))
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
