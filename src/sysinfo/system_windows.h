#pragma once
// The windows of the "Système" menu: each shows what its reader gives.

#include <QDialog>
#include <QFuture>
#include <atomic>
#include <functional>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace sysinfo {

// "Vitesse CPU": the processor's type, and its speed measured again and
// again on a worker thread until "Stop".
class TFormCPUSpeed : public QDialog {
    Q_OBJECT
  public:
    explicit TFormCPUSpeed(QWidget* parent = nullptr);
    ~TFormCPUSpeed() override;

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

// "Mémoire": total, load, free, virtual.
class TMem : public QDialog {
    Q_OBJECT
  public:
    explicit TMem(QWidget* parent = nullptr, QString procRoot = QStringLiteral("/proc"));
    QString value(int row) const;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    QString m_procRoot;
    QLabel* m_values[4];
};

// "Infos Système": the facts of TWinInfo, the screen, the audio disc and
// the environment.
class TInfoSys : public QDialog {
    Q_OBJECT
  public:
    explicit TInfoSys(QWidget* parent = nullptr, QString root = QStringLiteral("/"));
    QString value(const QString& caption) const;
    QPlainTextEdit* Environment;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    void fill();
    QString m_root;
    QHash<QString, QLabel*> m_values;
};

// A read-only text window filled on activation: "Applications installées"
// and "Taches".
class TTextList : public QDialog {
    Q_OBJECT
  public:
    TTextList(const QString& title, std::function<QStringList()> lines, QWidget* parent = nullptr);
    QPlainTextEdit* Text;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    std::function<QStringList()> m_lines;
};

// "Voir DLL": the names a program image exports.
class TVoirdll : public QDialog {
    Q_OBJECT
  public:
    explicit TVoirdll(QWidget* parent = nullptr);
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
