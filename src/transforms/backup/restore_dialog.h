#pragma once
// The restore dialog: restores files from an archive.

#include "backup_archive.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace transforms {

class RestoreDialog : public QDialog {
    Q_OBJECT
  public:
    explicit RestoreDialog(QWidget* parent = nullptr);
    // The folder names typed in the window are relative to (the file
    // manager's); the current folder until told.
    void setFolder(const QString& folder) { m_folder = folder; }

    void Button2Click();
    void SpeedButton1Click();
    void RestorePathButtonClick();
    void pathChoiceClicked();

    BackupArchive BackupFile1;

    QPushButton* Button1;
    QLineEdit* Edit1;
    QToolButton* SpeedButton1;
    QRadioButton* modes[5];
    QRadioButton* rbOrigpath;
    QRadioButton* rbOtherPath;
    QLineEdit* EdPath;
    QToolButton* RestorePathButton;
    QCheckBox* CbFullPath;
    QPushButton* Button2;
    QProgressBar* ProgressBar1;

  protected:
    void reject() override;

  private:
    bool m_running = false;

  private:
    QString m_folder; // absolute, from the file manager; empty: the process's
};

} // namespace transforms
