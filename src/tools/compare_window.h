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
    void Init(const QString& first, const QString& second);
    void Comparer();

    QPushButton* Button1; // "Fermer"
    QPushButton* Button2; // "Comparer"
    QLabel* Label1;       // the count
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;
    QListWidget* ListBox1;
    QListWidget* ListBox2;
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
