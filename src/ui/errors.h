#pragma once
// Errors that leave a command carry the exact text shown to the user by
// the general error report.

#include <QString>
#include <exception>
#include <functional>

namespace ui {

class TavError : public std::exception {
  public:
    explicit TavError(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}
    const QString& text() const { return m_text; }
    const char* what() const noexcept override { return m_utf8.constData(); }

  private:
    QString m_text;
    QByteArray m_utf8;
};

// Input/output error with its number (2 "Fichier introuvable", ...).
class InOutError : public TavError {
  public:
    explicit InOutError(int code) : TavError(textFor(code)), m_code(code) {}
    int code() const { return m_code; }
    static QString textFor(int code);

  private:
    int m_code;
};

// Floating-point errors of the calculators.
class FloatError : public TavError {
  public:
    enum Kind { DivideByZero, Invalid, Overflow };
    explicit FloatError(Kind k) : TavError(textFor(k)), m_kind(k) {}
    Kind kind() const { return m_kind; }
    static QString textFor(Kind k);

  private:
    Kind m_kind;
};

// "'%s' n'est pas une valeur flottante correcte".
class ConvertError : public TavError {
  public:
    explicit ConvertError(const QString& value)
        : TavError(QStringLiteral("'%1' n'est pas une valeur flottante correcte").arg(value)) {}
};

// The text as the general error report shows it: a full stop added when missing.
QString reportText(const QString& text);

// Shows the general error report for an error that left a command.
void reportError(const std::exception& e);

// Runs a command; an error leaving it is reported and swallowed. Answers
// false when the command ended with an error.
bool runCommand(const std::function<void()>& command);

} // namespace ui
