#pragma once
// "Nettoyer": files of a drive with leftover extensions, found and deleted.

#include <QDialog>
#include <QHash>
#include <QStringList>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace filemanager {
class DriveSelector;
}

namespace tools {

class CleanerDialog : public QDialog {
    Q_OBJECT
  public:
    explicit CleanerDialog(QWidget* parent = nullptr);

    void init(const QStringList& saved);
    void saveExtensions(QStringList& saved) const;
    void addExtension();
    void search();
    void removeFound();
    void clean();

    QPushButton* closeButton;   // "Fermer"
    QLineEdit* extensionEdit;   // the extension typed
    QPushButton* addButton;     // "OK"
    QListWidget* extensionList; // the extensions
    filemanager::DriveSelector* drives;
    QPushButton* searchButton; // "Chercher"
    QPushButton* removeButton; // "Retirer"
    QPushButton* cleanButton;  // "Nettoyer"
    QListWidget* foundList;    // the files found
    QLabel* statusLabel;       // status

    qint64 foundCount = 0;
    qint64 totalSize = 0;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    QStringList extensions() const;
    QHash<QString, qint64> m_sizes; // each file found, with its size
};

} // namespace tools
