#pragma once
// Drop-down list of the machine's drives with their icons and names.

#include <QComboBox>

namespace filemanager {

class DriveSelector : public QComboBox {
    Q_OBJECT
  public:
    explicit DriveSelector(QWidget* parent = nullptr);

    // Reads the drives again (at creation and when volumes change).
    void fill();
    void setDrive(QChar letter);
    QChar drive() const { return m_drive; }
    QList<QChar> letters() const { return m_letters; }
    // Picks an item as the user would.
    void pick(int index);

  Q_SIGNALS:
    void changed();

  private:
    QList<QChar> m_letters;
    int m_remembered = 0;
    QChar m_drive = u'C';
};

} // namespace filemanager
