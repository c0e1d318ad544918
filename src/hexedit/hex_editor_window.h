#pragma once
// "Editeur Hexadécimal": the hex editor window with save, find, go to and undo.

#include "hex_find_dialog.h"

#include <QDialog>

class QPushButton;
class QToolButton;

namespace hexedit {

class HexEditorView;

class HexEditorWindow : public QDialog {
    Q_OBJECT
  public:
    explicit HexEditorWindow(QWidget* parent = nullptr);

    void init(const QString& name) { m_fileName = name; }
    QString fileName() const { return m_fileName; }
    // Loads the file; false (after the message) when it does not exist.
    bool openFile();

    void find();
    void findNext();
    void goTo();
    // false when the chosen file could not be written (the user is told).
    bool save();
    void undoStep();

    HexEditorView* editor;
    QToolButton *saveButton, *findButton, *gotoButton, *undoButton;
    QPushButton* closeButton;

  protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  public:
    void reject() override; // with the close check

  private:
    bool search(qint64 from);
    bool confirmClose();
    QString m_fileName;
    HexFindDialog::Result m_pattern;
    qint64 m_lastMatch = 0;
    bool m_opened = false;
};

} // namespace hexedit
