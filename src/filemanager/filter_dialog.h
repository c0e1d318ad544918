#pragma once
#include <QDialog>

class QLineEdit;

namespace filemanager {

// The list filter dialog.
class FilterDialog : public QDialog {
    Q_OBJECT
  public:
    explicit FilterDialog(QWidget* parent = nullptr);
    void init(const QString& mask);
    QString mask() const;
    QLineEdit* edit() const { return m_edit; }

  private:
    QLineEdit* m_edit;
    bool m_confirmed = false;
};

} // namespace filemanager
