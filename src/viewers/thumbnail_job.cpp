#include "thumbnail_job.h"

#include <QtConcurrent/QtConcurrentMap>
#include <numeric>
#include <vector>

namespace viewers {

ThumbnailJob::~ThumbnailJob() {
    stop();
}

void ThumbnailJob::run() {
    std::vector<qsizetype> order(size_t(m_paths.size()));
    std::iota(order.begin(), order.end(), 0);
    QtConcurrent::blockingMap(order, [this](qsizetype i) {
        if (cancelled()) return;
        Thumbnail made = makeThumbnail(m_paths[i]);
        if (!cancelled()) post([this, made = std::move(made)] { m_ready(made); });
    });
}

} // namespace viewers
