#pragma once
#include <QDialog>

class QLineEdit;

namespace hexedit {

// "Rechercher": a text, or bytes as hexadecimal digits.
class HexFindDialog : public QDialog {
    Q_OBJECT
  public:
    explicit HexFindDialog(QWidget* parent = nullptr);
    struct Result {
        enum Kind { Nothing, Text, Bytes } kind = Nothing;
        QByteArray pattern;
    };
    Result result() const;
    static Result parseHex(const QString& digits);
    QLineEdit* text() const { return m_text; }
    QLineEdit* hex() const { return m_hex; }

  private:
    QLineEdit* m_text;
    QLineEdit* m_hex;
    bool m_ok = false;
};

// A text as the editor's ANSI bytes (Windows-1252), and back.
QByteArray toAnsi(const QString& text);
QString fromAnsi(const QByteArray& bytes);

} // namespace hexedit
