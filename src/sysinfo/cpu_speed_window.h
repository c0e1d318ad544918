#pragma once

#include <QDialog>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;

namespace sysinfo {

class CpuSpeedJob;

// "Vitesse CPU": the processor's type, and its speed measured again and
// again on a worker thread until "Stop".
class CpuSpeedWindow : public QDialog {
    Q_OBJECT
  public:
    explicit CpuSpeedWindow(QWidget* parent = nullptr);
    ~CpuSpeedWindow() override;

    void start();
    void stop();

    // One measurement in MHz (the machine's by default; tests give their own).
    std::function<double()> measure;

    QLabel* typeLabel;
    QLabel* speedLabel;
    QPushButton* startButton;
    QPushButton* stopButton;
    QPushButton* closeButton;

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

  private:
    void measured(double mhz);
    std::unique_ptr<CpuSpeedJob> m_job; // while measuring
};

} // namespace sysinfo
