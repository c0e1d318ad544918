#pragma once

#include <QDialog>

class QLabel;

namespace sysinfo {

// "Mémoire": total, load, free, virtual.
class MemoryWindow : public QDialog {
    Q_OBJECT
  public:
    explicit MemoryWindow(QWidget* parent = nullptr, QString procRoot = QStringLiteral("/proc"));
    QString value(int row) const;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    QString m_procRoot;
    QLabel* m_values[4];
};

} // namespace sysinfo
