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

    void Init(const QStringList& list);
    void Button2Click();
    void SpeedButton1Click();
    // The archive name the backup button would use, and its volume limit.
    static QString archiveNameFor(const QString& typed);
    static qint32 maxSizeFor(const QString& archive);

    BackupArchive BackupFile1;
    QStringList specs() const { return m_specs; }
    QString lastArchive() const { return m_lastArchive; }

    QPushButton* Button1;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QToolButton* SpeedButton1;
    QRadioButton* modeTotal;
    QRadioButton* modeIncremental;
    QRadioButton* compression[4]; // Rapide, Défaut, Maximum, Aucune
    QCheckBox* CheckBox1;
    QPushButton* Button2;
    QProgressBar* ProgressBar1;

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
