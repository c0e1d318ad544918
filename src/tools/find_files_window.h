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

    void Init(const QString& path);
    QString Result() const { return m_chosen; }
    void Rechercher(); // the search, as "Rechercher" and Enter run it

    QPushButton* Button1; // "Fermer"
    QLineEdit* Edit1;     // "Chemin"
    QLineEdit* Edit2;     // "Critère"
    QPushButton* Button2; // "Rechercher"
    QListWidget* ListBox1;
    QLabel* Label3; // the folder being searched

  private:
    QString m_chosen;
};

} // namespace tools
