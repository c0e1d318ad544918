#pragma once
// "Voir image": one picture at its natural size; Page Up and Page Down
// step through the browser's list without wrapping.

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;
class QScrollArea;
class QToolButton;

namespace viewers {

class PictureWindow : public QDialog {
    Q_OBJECT
  public:
    explicit PictureWindow(QWidget* parent = nullptr);
    void Init(const QString& name) { m_current = name; }
    void Init2(const QStringList& list) { m_list = list; }
    void Charge();
    void Precedent();
    void Suivant();
    QString current() const { return m_current; }

    QToolButton* PreviousButton;
    QToolButton* NextButton;
    QPushButton* Close;
    QScrollArea* Scroll;
    QLabel* Picture;

  protected:
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

  private:
    QString m_current;
    QStringList m_list;
};

} // namespace viewers
