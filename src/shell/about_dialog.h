#pragma once
#include <QDialog>

namespace shell {

// The information box: name, version and what the program is.
class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

// The picture shown by the about box and the splash window.
QPixmap programPicture(int size);

} // namespace shell
