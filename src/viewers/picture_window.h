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
    void init(const QString& name) { m_current = name; }
    void setList(const QStringList& list) { m_list = list; }
    void load();
    void showPrevious();
    void showNext();
    QString current() const { return m_current; }

    QToolButton* previousButton;
    QToolButton* nextButton;
    QPushButton* closeButton;
    QScrollArea* scrollArea;
    QLabel* pictureLabel;

  protected:
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

  private:
    QString m_current;
    QStringList m_list;
};

} // namespace viewers
