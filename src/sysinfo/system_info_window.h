#pragma once

#include <QDialog>
#include <QHash>

class QLabel;
class QPlainTextEdit;

namespace sysinfo {

// "Infos Système": the facts of SystemFacts, the screen, the audio disc and
// the environment.
class SystemInfoWindow : public QDialog {
    Q_OBJECT
  public:
    explicit SystemInfoWindow(QWidget* parent = nullptr, QString root = QStringLiteral("/"));
    QString value(const QString& caption) const;
    QPlainTextEdit* environmentText;

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    void fill();
    QString m_root;
    QHash<QString, QLabel*> m_values;
};

} // namespace sysinfo
