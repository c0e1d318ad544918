#pragma once
// Errors that leave a command carry the exact text shown to the user by
// the general error report. No widgets here: engines and the front end
// use them as they are.

#include <QByteArray>
#include <QString>
#include <exception>

namespace core {

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

// What an engine answers at its boundary: done, or failed with the French
// text the window shows. Exceptions stay inside the engines.
struct Outcome {
    enum Kind { Done, Cancelled, Failed };
    Kind kind = Done;
    QString text;
    static Outcome done() { return {}; }
    static Outcome cancelled() { return {Cancelled, {}}; }
    // Stopped, an entry left as the stop found it (the text names it).
    static Outcome stoppedLeaving(const QString& entry) {
        return {Cancelled,
                entry.isEmpty() ? QString() : entry + QStringLiteral(" peut-être incomplet")};
    }
    static Outcome failed(QString t) { return {Failed, std::move(t)}; }
    bool ok() const { return kind == Done; }
    explicit operator bool() const { return ok(); }
    // Runs f, turning an error that leaves it into a failed outcome.
    template <class F> static Outcome from(F&& f) {
        try {
            f();
            return done();
        } catch (const TavError& e) {
            return failed(e.text());
        } catch (const std::exception& e) {
            return failed(QString::fromLocal8Bit(e.what()));
        }
    }
};

} // namespace core
