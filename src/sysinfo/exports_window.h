#pragma once

#include <QDialog>

class QLabel;
class QListWidget;

namespace sysinfo {

// "Voir DLL": the names a program image exports.
class ExportsWindow : public QDialog {
    Q_OBJECT
  public:
    explicit ExportsWindow(QWidget* parent = nullptr);
    void Init(const QString& name, const QString& folder = {});
    void Fonctions();
    QLabel* FileName;
    QListWidget* ListBox1;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    QString m_name, m_folder;
};

} // namespace sysinfo
