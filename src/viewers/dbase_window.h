#pragma once
// "Fichier dBase": a dBase table as a grid, for reading.

#include "dbase_table.h"

#include <QDialog>
#include <QStringList>

class QPushButton;
class QTableView;

namespace viewers {

class DbfGridModel;

class DbaseWindow : public QDialog {
    Q_OBJECT
  public:
    explicit DbaseWindow(QWidget* parent = nullptr);
    ~DbaseWindow() override;

    void init(const QString& name) { m_fileName = name; }
    void load();

    QPushButton* closeButton; // "Fermer"
    QTableView* grid;
    DbaseTable table;
    DbfGridModel* model() const { return m_model; }

  protected:
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void done(int r) override;

  private:
    QString m_fileName;
    DbfGridModel* m_model = nullptr;
    bool m_loaded = false;
    bool m_loadScheduled = false;
    // Reading errors waiting for their box, shown one after another.
    void reportLater(const QString& text);
    void showPending();
    QStringList m_pending;
    bool m_reporting = false;
};

} // namespace viewers
