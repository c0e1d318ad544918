#pragma once
// The notepad: one page of free text kept between runs in the notes file.

#include <QDialog>

class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace desk {

class NotepadWindow : public QDialog {
    Q_OBJECT
  public:
    explicit NotepadWindow(QWidget* parent = nullptr);

    void load(const QString& name);
    void save(const QString& name);
    void print();

    bool modified() const;
    QPlainTextEdit* editor() const { return m_edit; }
    QPushButton* closeButton() const { return m_close; }

    // The note's lines as the edit area shows them (a wrapped line gives several).
    QStringList displayedLines() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    QPlainTextEdit* m_edit;
    QToolButton* m_print;
    QPushButton* m_close;
    QWidget* m_top;
};

} // namespace desk
