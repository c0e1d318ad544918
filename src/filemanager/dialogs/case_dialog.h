#pragma once
#include <QDialog>

class QRadioButton;

namespace filemanager {

// Chooses lower case, upper case or a capital first letter for the names.
class CaseDialog : public QDialog {
    Q_OBJECT
  public:
    explicit CaseDialog(QWidget* parent = nullptr);
    int choice() const; // -1 when cancelled
    QRadioButton* choice(int i) const { return m_choices[i]; }
    QPushButton* okButton() const { return m_ok; }

  private:
    QRadioButton* m_choices[3];
    QPushButton* m_ok;
    bool m_confirmed = false;
};

} // namespace filemanager
