#pragma once
#include <QWidget>

namespace shell {

// Borderless start-up window: a yellow panel with the picture, name and version.
class SplashScreen : public QWidget {
    Q_OBJECT
  public:
    explicit SplashScreen(QWidget* parent = nullptr);
};

} // namespace shell
