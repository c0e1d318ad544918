#pragma once
// "Comparer fichiers": two texts compared line by line, the differing
// pairs side by side.

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QToolButton;

namespace tools {

class CompareWindow : public QDialog {
    Q_OBJECT
  public:
    explicit CompareWindow(QWidget* parent = nullptr);
    // The folder names typed in the window are relative to (the file
    // manager's); the current folder until told.
    void setFolder(const QString& folder) { m_folder = folder; }
    void init(const QString& first, const QString& second);
    void compare();

    QPushButton* closeButton;   // "Fermer"
    QPushButton* compareButton; // "Comparer"
    QLabel* countLabel;         // the count
    QLineEdit* firstEdit;
    QLineEdit* secondEdit;
    QToolButton* firstBrowseButton;
    QToolButton* secondBrowseButton;
    QListWidget* firstList;
    QListWidget* secondList;
    // The platform's beep, where a file cannot be opened (tests count it).
    int beeps = 0;

  protected:
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

  private:
    void browse(QLineEdit* into);
    QWidget* m_bar;

  private:
    QString m_folder; // absolute, from the file manager; empty: the process's
};

} // namespace tools
