#pragma once
// The backup dialog: stores the selected files into an archive.

#include "backup_archive.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace transforms {

class BackupDialog : public QDialog {
    Q_OBJECT
  public:
    explicit BackupDialog(QWidget* parent = nullptr);
    // The folder names typed in the window are relative to (the file
    // manager's); the current folder until told.
    void setFolder(const QString& folder) { m_folder = folder; }

    void init(const QStringList& list);
    void backup();
    void browse();
    // The archive name the backup button would use, and its volume limit.
    static QString archiveNameFor(const QString& typed);
    static qint32 maxSizeFor(const QString& archive);

    QStringList specs() const { return m_specs; }
    QString lastArchive() const { return m_lastArchive; }

    QPushButton* closeButton;
    QLineEdit* titleEdit;
    QLineEdit* destinationEdit;
    QToolButton* browseButton;
    QRadioButton* modeTotal;
    QRadioButton* modeIncremental;
    QRadioButton* compression[4]; // Rapide, Défaut, Maximum, Aucune
    QCheckBox* saveDetailsBox;
    QPushButton* backupButton;
    QProgressBar* progressBar;

  protected:
    void reject() override;

  private:
    QStringList m_specs;
    QString m_lastArchive;
    bool m_running = false;

  private:
    QString m_folder; // absolute, from the file manager; empty: the process's
};

} // namespace transforms
