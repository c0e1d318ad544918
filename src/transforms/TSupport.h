#pragma once
// "Répertorier support": a text catalogue of every file of a drive.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace filemanager {
class TDriveCombo;
}

namespace transforms {

class TSupport : public QDialog {
    Q_OBJECT
  public:
    explicit TSupport(QWidget* parent = nullptr);
    void Button2Click();
    void driveChosen();

    QPushButton* Button1;
    filemanager::TDriveCombo* drives;
    QLineEdit* Edit1;
    QToolButton* SpeedButton1;
    QLineEdit* Edit2;
    QLabel* Label4;
    QPushButton* Button2;

  protected:
    void showEvent(QShowEvent* e) override;
};

} // namespace transforms
