#pragma once
// "Informations disque": the facts of the drive holding a folder.

#include "TDiskInfo.h"

#include <QDialog>
#include <QMap>

class QLabel;

namespace sysinfo {

class TInfodisk : public QDialog {
    Q_OBJECT
  public:
    explicit TInfodisk(QWidget* parent = nullptr);
    void Init(const QString& path);
    QString value(const QString& caption) const;
    TDiskInfo DiskInfo1;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    void fill();
    QMap<QString, QLabel*> m_values;
};

} // namespace sysinfo
