#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <string>

// The reading text of one frame ("-12.345", "00777", ".OL"), held in place:
// decoding a frame makes no heap allocation for it. A QString is made only
// where one is needed (an element's text, a record), through the implicit
// conversion. At most kCapacity characters: a sign, five digits and a point.
class ReadingText
{
public:
    static constexpr qsizetype kCapacity = 7;

    constexpr ReadingText() = default;
    // Keeps the first kCapacity characters of `text`.
    ReadingText(QStringView text) { assign(text.utf16(), text.size()); }
    ReadingText(const QString &text) : ReadingText(QStringView(text)) {}
    ReadingText(QLatin1StringView text)
    {
        m_size = static_cast<unsigned char>(std::min(text.size(), kCapacity));
        for (qsizetype i = 0; i < m_size; ++i)
            m_chars[i] = static_cast<unsigned char>(text.at(i).toLatin1());
    }

    // Builders for the decoder: `count` chars from `chars`, appended.
    void append(const char16_t *chars, qsizetype count)
    {
        const qsizetype n = std::min(count, kCapacity - m_size);
        std::copy_n(chars, n, m_chars + m_size);
        m_size = static_cast<unsigned char>(m_size + n);
    }
    void append(char16_t c) { append(&c, 1); }

    QStringView view() const { return QStringView(m_chars, m_size); }
    QString toString() const { return view().toString(); }
    operator QString() const { return toString(); }

    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    bool startsWith(QChar c) const { return m_size > 0 && m_chars[0] == c.unicode(); }
    double toDouble(bool *ok = nullptr) const { return view().toDouble(ok); }
    QByteArray toUtf8() const { return view().toUtf8(); }
    std::string toStdString() const { return toString().toStdString(); }

    friend bool operator==(const ReadingText &a, const ReadingText &b) { return a.view() == b.view(); }
    friend bool operator==(const ReadingText &a, const QString &b) { return a.view() == QStringView(b); }
    friend bool operator==(const ReadingText &a, QLatin1StringView b) { return a.view() == b; }

private:
    void assign(const char16_t *chars, qsizetype count)
    {
        m_size = 0;
        append(chars, count);
    }

    char16_t m_chars[kCapacity] = {};
    unsigned char m_size = 0;
};
