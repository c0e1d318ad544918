#pragma once

#include <QDialog>
#include <QFuture>
#include <atomic>
#include <functional>

class QLabel;
class QPushButton;

namespace sysinfo {

// "Vitesse CPU": the processor's type, and its speed measured again and
// again on a worker thread until "Stop".
class CpuSpeedWindow : public QDialog {
    Q_OBJECT
  public:
    explicit CpuSpeedWindow(QWidget* parent = nullptr);
    ~CpuSpeedWindow() override;

    void Demarrer();
    void Stop();

    // One measurement in MHz (the machine's by default; tests give their own).
    std::function<double()> measure;

    QLabel* TypeLabel;
    QLabel* SpeedLabel;
    QPushButton* Start;
    QPushButton* StopButton;
    QPushButton* Close;

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

  private:
    void measured(double mhz);
    void loopEnded();
    std::atomic<bool> m_stop{true};
    QFuture<void> m_loop;
};

} // namespace sysinfo
