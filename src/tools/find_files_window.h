#pragma once
// "Rechercher": files found by a pattern in a folder and its sub-folders.

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tools {

class FindFilesWindow : public QDialog {
    Q_OBJECT
  public:
    explicit FindFilesWindow(QWidget* parent = nullptr);

    void init(const QString& path);
    QString chosenPath() const { return m_chosen; }
    void search(); // the search, as "Rechercher" and Enter run it

    QPushButton* closeButton;  // "Fermer"
    QLineEdit* pathEdit;       // "Chemin"
    QLineEdit* patternEdit;    // "Critère"
    QPushButton* searchButton; // "Rechercher"
    QListWidget* resultList;
    QLabel* folderLabel; // the folder being searched

  private:
    QString m_chosen;
};

} // namespace tools
