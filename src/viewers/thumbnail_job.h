#pragma once
// Makes the thumbnails of a list of pictures, several at once on the
// worker threads, handing each to the starting thread as soon as it is
// ready. Stopped, it starts no other picture.

#include "core/job.h"
#include "thumbnails.h"

#include <QStringList>
#include <functional>

namespace viewers {

class ThumbnailJob : public core::Job {
  public:
    ThumbnailJob(QStringList paths, std::function<void(const Thumbnail&)> ready)
        : m_paths(std::move(paths)), m_ready(std::move(ready)) {}
    ~ThumbnailJob() override;
    void run() override;

  private:
    QStringList m_paths;
    std::function<void(const Thumbnail&)> m_ready;
};

} // namespace viewers
