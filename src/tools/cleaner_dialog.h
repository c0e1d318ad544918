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

    void Init(const QStringList& saved);
    void Result(QStringList& saved) const;
    void Ajoute();
    void Chercher();
    void Retirer();
    void Nettoyer();

    QPushButton* Button1;  // "Fermer"
    QLineEdit* Edit1;      // the extension typed
    QPushButton* Button2;  // "OK"
    QListWidget* ListBox1; // the extensions
    filemanager::DriveSelector* DriveComboBox1;
    QPushButton* Button3;  // "Chercher"
    QPushButton* Button4;  // "Retirer"
    QPushButton* Button5;  // "Nettoyer"
    QListWidget* ListBox2; // the files found
    QLabel* Label1;        // status

    qint64 foundCount = 0;
    qint64 totalSize = 0;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    QStringList extensions() const;
    QHash<QString, qint64> m_sizes; // each file found, with its size
};

} // namespace tools
