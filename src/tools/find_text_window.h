#pragma once
// "Rechercher chaîne": the lines of the selected files that hold a string.

#include <QDialog>
#include <QStringList>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace tools {

class FindTextWindow : public QDialog {
    Q_OBJECT
  public:
    explicit FindTextWindow(QWidget* parent = nullptr);

    // The names shown in the entries, and the files they stand for.
    void init(const QStringList& names, const QStringList& paths = {});
    void search();

    QPushButton* closeButton; // "Fermer"
    QLineEdit* textEdit;
    QPushButton* searchButton; // "OK"
    QListWidget* resultList;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    QStringList m_names, m_paths;
};

} // namespace tools
