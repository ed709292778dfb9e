#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>
#include <vector>

// Shrinks a picture that arrives one row at a time, averaging the area each
// output pixel covers, so that a picture far larger than the result is never
// held whole. Each axis shrinks to the smaller of its two lengths; what is
// left to enlarge is enlarged by the caller, on the small result.
class AreaReducer {
public:
    AreaReducer(QSize from, QSize to);

    // The next row of `from.width()` pixels, top to bottom.
    void addRow(const QRgb *row);
    // The result, complete once every row has been added.
    QImage image() const { return result; }

private:
    // Where a source pixel falls: the output pixel it starts in and its
    // share there, out of the source's step; the rest goes to the next.
    struct Share {
        int at;
        std::uint32_t weight;
    };
    static std::vector<Share> shares(int from, int to);
    void finishRow(int y);

    QSize from;
    QImage result;
    std::vector<Share> columns, rows;
    std::vector<std::uint32_t> rowSums; // one source row, shrunk across: 3 sums a pixel
    std::vector<std::uint64_t> sums[2]; // output rows `row` and `row + 1` being gathered
    int row = 0;                        // the next source row
};
