#pragma once
#include <QDialog>

class QLineEdit;

namespace filemanager {

// The list filter dialog.
class TFixFiltre : public QDialog {
    Q_OBJECT
  public:
    explicit TFixFiltre(QWidget* parent = nullptr);
    void Init(const QString& mask);
    QString Result() const;
    QLineEdit* edit() const { return m_edit; }

  private:
    QLineEdit* m_edit;
    bool m_confirmed = false;
};

} // namespace filemanager
