#include "core/exchange/GradeSheet.h"

#include <algorithm>

namespace ekaldo {

void GradeSheet::SetRowCount(int rows) {
    m_rows.resize(static_cast<std::size_t>(std::max(rows, 0)));
}

void GradeSheet::Truncate(Row& row, std::size_t cells) {
    if (row.starts.size() <= cells)
        return;
    if (cells == 0) {
        row = Row{};
        return;
    }
    row.text.truncate(CellEnd(row, cells - 1));
    row.starts.resize(cells);
}

void GradeSheet::SetColCount(int cols) {
    cols = std::max(cols, 0);
    if (cols < m_cols) {
        for (auto& row : m_rows)
            Truncate(row, static_cast<std::size_t>(cols));
    }
    m_cols = cols;
}

QStringView GradeSheet::CellView(int row, int col) const {
    if (row < 0 || row >= RowCount() || col < 0 || col >= m_cols)
        return {};
    const Row& r = m_rows[static_cast<std::size_t>(row)];
    const auto c = static_cast<std::size_t>(col);
    if (c >= r.starts.size())
        return {};
    const qsizetype begin = r.starts[c];
    return QStringView(r.text).sliced(begin, CellEnd(r, c) - begin);
}

void GradeSheet::SetCell(int row, int col, QStringView text) {
    if (row < 0 || row >= RowCount() || col < 0 || col >= m_cols)
        return;
    Row& r = m_rows[static_cast<std::size_t>(row)];
    const auto c = static_cast<std::size_t>(col);
    if (c >= r.starts.size()) {
        if (text.isEmpty())
            return;
        // Empty cells up to this one, then the text: the usual left-to-right filling.
        while (r.starts.size() <= c) {
            if (!r.starts.empty())
                r.text += QLatin1Char('\t');
            r.starts.push_back(r.text.size());
        }
        r.text += text;
        return;
    }
    const qsizetype begin = r.starts[c];
    const qsizetype end = CellEnd(r, c);
    const qsizetype delta = text.size() - (end - begin);
    // A view into this row's own text is copied first; any other is put in place as it is.
    const bool ownText =
        text.data() >= r.text.constData() && text.data() < r.text.constData() + r.text.size();
    if (ownText)
        r.text.replace(begin, end - begin, text.toString());
    else
        r.text.replace(begin, end - begin, text.data(), text.size());
    for (std::size_t i = c + 1; i < r.starts.size(); ++i)
        r.starts[i] += delta;
}

void GradeSheet::SetRowText(int row, QString text, std::vector<qsizetype> starts) {
    if (row < 0 || row >= RowCount())
        return;
    Row& r = m_rows[static_cast<std::size_t>(row)];
    r.text = std::move(text);
    r.starts = std::move(starts);
    Truncate(r, static_cast<std::size_t>(m_cols));
}

int GradeSheet::StoredCells(int row) const {
    if (row < 0 || row >= RowCount())
        return 0;
    return static_cast<int>(m_rows[static_cast<std::size_t>(row)].starts.size());
}

QStringView GradeSheet::RowText(int row) const {
    if (row < 0 || row >= RowCount())
        return {};
    return m_rows[static_cast<std::size_t>(row)].text;
}

void GradeSheet::ClearCells() {
    for (auto& row : m_rows)
        row = Row{};
}

void GradeSheet::ClearRow(int row) {
    if (row >= 0 && row < RowCount())
        m_rows[static_cast<std::size_t>(row)] = Row{};
}

bool GradeSheet::operator==(const GradeSheet& other) const {
    if (RowCount() != other.RowCount() || m_cols != other.m_cols)
        return false;
    for (int r = 0; r < RowCount(); ++r) {
        for (int c = 0; c < m_cols; ++c) {
            if (CellView(r, c) != other.CellView(r, c))
                return false;
        }
    }
    return true;
}

} // namespace ekaldo
