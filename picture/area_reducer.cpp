#include "area_reducer.h"

#include <algorithm>

// Source pixel i covers [i * to, (i + 1) * to) and output pixel o covers
// [o * from, (o + 1) * from) on a common scale, so every weight is a whole
// number and the weights into one output pixel add up to `from`.
std::vector<AreaReducer::Share> AreaReducer::shares(int from, int to) {
    std::vector<Share> result(static_cast<std::size_t>(from));
    for (int i = 0; i < from; ++i) {
        const std::int64_t start = std::int64_t{i} * to, end = start + to;
        const int at = int(start / from);
        const std::int64_t boundary = std::int64_t{at + 1} * from;
        result[std::size_t(i)] = {at, std::uint32_t(std::min(end, boundary) - start)};
    }
    return result;
}

AreaReducer::AreaReducer(QSize from, QSize to)
    : from(from), result(to.boundedTo(from), QImage::Format_RGB32),
      columns(shares(from.width(), result.width())), rows(shares(from.height(), result.height())),
      rowSums(std::size_t(result.width()) * 3) {
    for (auto &gathered : sums) {
        gathered.assign(rowSums.size(), 0);
    }
}

void AreaReducer::addRow(const QRgb *source) {
    if (row >= from.height()) {
        return;
    }
    const auto step = std::uint32_t(result.width());
    std::ranges::fill(rowSums, 0);
    for (int x = 0; x < from.width(); ++x) {
        const QRgb pixel = source[x];
        const Share share = columns[std::size_t(x)];
        const std::uint32_t channels[3] = {std::uint32_t(qRed(pixel)), std::uint32_t(qGreen(pixel)),
                                           std::uint32_t(qBlue(pixel))};
        std::uint32_t *here = &rowSums[std::size_t(share.at) * 3];
        for (int c = 0; c < 3; ++c) {
            here[c] += channels[c] * share.weight;
        }
        if (share.weight < step) {
            for (int c = 0; c < 3; ++c) {
                here[3 + c] += channels[c] * (step - share.weight);
            }
        }
    }
    const Share share = rows[std::size_t(row)];
    const auto rowStep = std::uint32_t(result.height());
    for (std::size_t i = 0; i < rowSums.size(); ++i) {
        sums[0][i] += std::uint64_t{rowSums[i]} * share.weight;
        sums[1][i] += std::uint64_t{rowSums[i]} * (rowStep - share.weight);
    }
    ++row;
    // The output row is complete when the next source row starts in another.
    if (row == from.height() || rows[std::size_t(row)].at != share.at) {
        finishRow(share.at);
    }
}

void AreaReducer::finishRow(int y) {
    const std::uint64_t area = std::uint64_t(from.width()) * std::uint64_t(from.height());
    auto *line = reinterpret_cast<QRgb *>(result.scanLine(y));
    for (int x = 0; x < result.width(); ++x) {
        const std::uint64_t *pixel = &sums[0][std::size_t(x) * 3];
        const auto channel = [&](int c) { return int((pixel[c] + area / 2) / area); };
        line[x] = qRgb(channel(0), channel(1), channel(2));
    }
    std::swap(sums[0], sums[1]);
    std::ranges::fill(sums[1], 0);
}
