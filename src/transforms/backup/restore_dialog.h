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

    void restore();
    void browse();
    void browseOtherPath();
    void pathChoiceClicked();

    QPushButton* closeButton;
    QLineEdit* archiveEdit;
    QToolButton* browseButton;
    QRadioButton* modes[5];
    QRadioButton* originalPathButton;
    QRadioButton* otherPathButton;
    QLineEdit* otherPathEdit;
    QToolButton* otherPathBrowseButton;
    QCheckBox* fullPathBox;
    QPushButton* restoreButton;
    QProgressBar* progressBar;

  protected:
    void reject() override;

  private:
    bool m_running = false;

  private:
    QString m_folder; // absolute, from the file manager; empty: the process's
};

} // namespace transforms
