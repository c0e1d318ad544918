#pragma once

#include <QDialog>
#include <functional>

class QPlainTextEdit;

namespace sysinfo {

// A read-only text window filled on activation: "Applications installées"
// and "Taches".
class TextListWindow : public QDialog {
    Q_OBJECT
  public:
    TextListWindow(const QString& title, std::function<QStringList()> lines,
                   QWidget* parent = nullptr);
    QPlainTextEdit* text;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    std::function<QStringList()> m_lines;
};

} // namespace sysinfo
