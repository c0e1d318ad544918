#pragma once
// "Informations disque": the facts of the drive holding a folder.

#include "disk_info.h"

#include <QDialog>
#include <QMap>

class QLabel;

namespace sysinfo {

class DiskInfoWindow : public QDialog {
    Q_OBJECT
  public:
    explicit DiskInfoWindow(QWidget* parent = nullptr);
    void init(const QString& path);
    QString value(const QString& caption) const;
    DiskInfo diskInfo;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    void fill();
    QMap<QString, QLabel*> m_values;
};

} // namespace sysinfo
