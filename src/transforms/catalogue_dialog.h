#pragma once
// "Répertorier support": a text catalogue of every file of a drive.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace filemanager {
class DriveSelector;
}

namespace transforms {

class CatalogueDialog : public QDialog {
    Q_OBJECT
  public:
    explicit CatalogueDialog(QWidget* parent = nullptr);
    // The folder names typed in the window are relative to (the file
    // manager's); the current folder until told.
    void setFolder(const QString& folder) { m_folder = folder; }
    void start();
    void driveChosen();

    QPushButton* closeButton;
    filemanager::DriveSelector* drives;
    QLineEdit* destinationEdit;
    QToolButton* browseButton;
    QLineEdit* mediumNameEdit;
    QLabel* statusLabel;
    QPushButton* startButton;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    QString m_folder; // absolute, from the file manager; empty: the process's
};

} // namespace transforms
