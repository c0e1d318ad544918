#pragma once
#include <QDialog>
#include <QStringList>
#include <functional>

class QLineEdit;

namespace filemanager {

// Renames the selected entries one by one.
class RenameDialog : public QDialog {
    Q_OBJECT
  public:
    using Renamer = std::function<void(const QString& oldName, const QString& newName)>;
    RenameDialog(Renamer renamer, QWidget* parent = nullptr);
    void init(const QStringList& names);
    QLineEdit* oldName() const { return m_old; }
    QLineEdit* newName() const { return m_new; }

  private:
    void confirm();
    void showCurrent();
    Renamer m_renamer;
    QStringList m_names;
    int m_index = 0;
    QLineEdit* m_old;
    QLineEdit* m_new;
};

} // namespace filemanager
