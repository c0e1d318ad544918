#pragma once
#include "attribute_boxes.h"

#include <QDialog>

class QLineEdit;

namespace filemanager {

// Shows the name, date, size and attributes of one entry.
class PropertiesDialog : public QDialog {
    Q_OBJECT
  public:
    explicit PropertiesDialog(QWidget* parent = nullptr);
    void init(const QString& name);
    QLineEdit* nameEdit() const { return m_name; }
    QLineEdit* dateEdit() const { return m_date; }
    QLineEdit* sizeEdit() const { return m_size; }
    QCheckBox* archive() const { return m_boxes.archive; }
    QCheckBox* readOnly() const { return m_boxes.readOnly; }
    QCheckBox* hidden() const { return m_boxes.hidden; }
    QCheckBox* system() const { return m_boxes.system; }

  private:
    QLineEdit *m_name, *m_date, *m_size;
    AttributeBoxes m_boxes;
};

} // namespace filemanager
