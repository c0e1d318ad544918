#pragma once
#include <QWidget>

namespace shell {

// Borderless start-up window: a yellow panel with the picture, name and version.
class TSplash : public QWidget {
    Q_OBJECT
  public:
    explicit TSplash(QWidget* parent = nullptr);
};

} // namespace shell
