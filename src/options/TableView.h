#pragma once

#include <cstddef>

namespace fenwave {

// A read-only view of a constant table, an array that one source file defines: its rows can be
// walked and counted, and the array itself stays private to that file.
template <typename Row> class TableView
{
public:
    template <std::size_t N> constexpr TableView(const Row (&rows)[N]) : m_begin(rows), m_end(rows + N) {}

    constexpr const Row *begin() const { return m_begin; }
    constexpr const Row *end() const { return m_end; }
    constexpr int size() const { return int(m_end - m_begin); }

private:
    const Row *m_begin;
    const Row *m_end;
};

} // namespace fenwave
