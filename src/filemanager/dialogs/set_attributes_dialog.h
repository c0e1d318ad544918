#pragma once
#include "attribute_boxes.h"

#include <QDialog>

class QDateEdit;
class QTimeEdit;

namespace filemanager {

// Chooses a date, a time and the attributes to give the selected entries.
class SetAttributesDialog : public QDialog {
    Q_OBJECT
  public:
    explicit SetAttributesDialog(QWidget* parent = nullptr);
    // Empty texts when cancelled; otherwise the chosen date and time.
    void chosen(QString& date, QString& time, bool& system, bool& hidden, bool& readOnly,
                bool& archive) const;
    QDateEdit* dateEdit() const { return m_date; }
    QTimeEdit* timeEdit() const { return m_time; }
    QCheckBox* archive() const { return m_boxes.archive; }
    QCheckBox* readOnly() const { return m_boxes.readOnly; }
    QCheckBox* hidden() const { return m_boxes.hidden; }
    QCheckBox* system() const { return m_boxes.system; }
    QPushButton* okButton() const { return m_ok; }

  private:
    QDateEdit* m_date;
    QTimeEdit* m_time;
    AttributeBoxes m_boxes;
    QPushButton* m_ok;
    bool m_confirmed = false;
};

} // namespace filemanager
