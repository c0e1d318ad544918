#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

namespace platform {

// Name matching as the file dialogs and listings know it: '*' any run, '?'
// one character, letter case ignored; "*.*" matches every name, and a mask
// ending in ".*" also matches the name without any extension.
bool matchesMask(const QString& name, const QString& mask);

// The same test on a name's bytes as the system gives them (the walks test
// millions): true or false, or nothing when the name or the mask is not
// ASCII and matchesMask must say.
class AsciiMask {
  public:
    explicit AsciiMask(const QString& mask);
    std::optional<bool> matches(const char* name, qsizetype size) const;

  private:
    QByteArray m_mask;   // folded
    QByteArray m_ending; // folded: what every name it matches ends with
    bool m_all = false, m_ascii = true;
};

} // namespace platform
