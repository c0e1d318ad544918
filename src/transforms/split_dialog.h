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
    void init(const QString& name);
    void prepare();
    void split();
    qint64 partSize = 0;
    qint64 fileSize = 0;
    QString fileName;
    int defaultPartKo = 1420;

    QPushButton* closeButton;
    QLabel *nameLabel, *sizeLabel, *partsLabel;
    QRadioButton *floppyButton, *customButton;
    QLineEdit* customSizeEdit;
    QProgressBar* progressBar;
    QPushButton* splitButton;

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
