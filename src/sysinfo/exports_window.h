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
    void init(const QString& name, const QString& folder = {});
    void listExports();
    QLabel* fileLabel;
    QListWidget* exportList;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    QString m_name, m_folder;
};

} // namespace sysinfo
