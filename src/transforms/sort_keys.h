#pragma once
// Sort keys of text lines in French order without regard to case, as
// bytes: two lines compare as their keys do, byte by byte.

#include <QByteArray>
#include <QString>
#include <memory>

namespace transforms {

class SortKeyMaker {
  public:
    SortKeyMaker();
    ~SortKeyMaker();
    SortKeyMaker(const SortKeyMaker&) = delete;
    SortKeyMaker& operator=(const SortKeyMaker&) = delete;
    // Appends the key of `text` to `arena` (no terminating zero); answers its length.
    qsizetype append(const QString& text, QByteArray& arena);

  private:
    struct Collator;
    std::unique_ptr<Collator> m_collator;
};

} // namespace transforms
