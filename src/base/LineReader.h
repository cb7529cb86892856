#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>

namespace ekaldo {

// Reads a file line by line in large blocks. A line ends at LF; a CR before it
// is dropped. The last line needs no line end; a file ending in a line end has
// no empty line after it. Memory stays at one block plus the longest line.
class LineReader {
public:
    explicit LineReader(QFile& file) : m_file(file) {}

    // The next line without its end, valid until the next call; false at the end of the file.
    bool Next(QByteArrayView& line);
    bool Failed() const { return m_failed; }

private:
    bool Fill();

    QFile& m_file;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_eof = false;
    bool m_failed = false;
};

inline bool LineReader::Fill() {
    if (m_eof)
        return false;
    constexpr qint64 kBlock = 1 << 16;
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    const qsizetype old = m_buffer.size();
    m_buffer.resize(old + kBlock);
    const qint64 got = m_file.read(m_buffer.data() + old, kBlock);
    if (got < 0) {
        m_failed = true;
        m_buffer.resize(old);
        m_eof = true;
        return false;
    }
    m_buffer.resize(old + got);
    if (got == 0)
        m_eof = true;
    return got > 0;
}

inline bool LineReader::Next(QByteArrayView& line) {
    qsizetype searchFrom = m_pos;
    for (;;) {
        const qsizetype nl = m_buffer.indexOf('\n', searchFrom);
        if (nl >= 0) {
            qsizetype end = nl;
            if (end > m_pos && m_buffer[end - 1] == '\r')
                --end;
            line = QByteArrayView(m_buffer.constData() + m_pos, end - m_pos);
            m_pos = nl + 1;
            return true;
        }
        const qsizetype scanned = m_buffer.size() - m_pos;
        if (!Fill()) {
            if (m_pos >= m_buffer.size())
                return false;
            qsizetype end = m_buffer.size();
            if (end > m_pos && m_buffer[end - 1] == '\r')
                --end;
            line = QByteArrayView(m_buffer.constData() + m_pos, end - m_pos);
            m_pos = m_buffer.size();
            return true;
        }
        searchFrom = m_pos + scanned; // Fill moved the unread bytes to the front
    }
}

} // namespace ekaldo
