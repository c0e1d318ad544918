#pragma once
// "Decouper fichier": cuts one file into parts.

#include <QDialog>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace transforms {

class SplitDialog : public QDialog {
    Q_OBJECT
  public:
    explicit SplitDialog(QWidget* parent = nullptr);
    void Init(const QString& name);
    void FormShow();
    void Button2Click();
    qint64 PartSize = 0;
    qint64 FileSize = 0;
    QString FileName;
    int DefaultPartKo = 1420;

    QPushButton* Button1;
    QLabel *Label1, *Label2, *Label3;
    QRadioButton *RadioButton1, *RadioButton2;
    QLineEdit* Edit1;
    QProgressBar* ProgressBar1;
    QPushButton* Button2;

  protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void updateParts();
    static qint64 partBytes(const QString& ko); // -1 when too large
    void choiceClicked();
    void editChanged();
};

} // namespace transforms
