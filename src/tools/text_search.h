#pragma once
// Text read by lines the way the program reads every text file: a line ends
// at CR LF, at a lone CR or at a lone LF, and the first byte 26 or the end
// of the file ends the text. Find a string and compare two texts on top of it.
// No widgets.

#include "core/errors.h"
#include "core/guarded_mapping.h"
#include "core/job.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <functional>

namespace tools {

// A text file, mapped (or read) whole and cut at its first byte 26.
class TextFile {
  public:
    // Fails with the input/output error's number (2 missing, 5 a folder or refused).
    core::Outcome open(const QString& name);
    // The next line without its end; false once the text has ended.
    bool next(QByteArrayView& line);
    // The text, cut at its first byte 26 (found at the first call).
    QByteArrayView text();
    // The file's bytes as they are, byte 26 and what follows included.
    QByteArrayView raw() const { return m_raw; }
    // Passes over the lines both texts have alike from where each is, at
    // memory speed; answers how many. What comes next differs or ends.
    qint64 skipCommonLines(TextFile& other);
    // The file shrank while it was read: what was read is not the file.
    bool changed() const { return m_map.changed(); }

  private:
    QFile m_file;
    core::GuardedMapping m_map;
    QByteArray m_copy; // when the file cannot be mapped
    QByteArrayView m_raw, m_text;
    bool m_textKnown = false;
    qsizetype m_at = 0;
};

// A line as shown: UTF-8 when valid, else Windows-1252; cut at 4,096
// characters with "…" when asked.
QString lineText(QByteArrayView line, bool cut = false);

struct Match {
    qint64 line; // from 1
    // The line, or for a line longer than kExcerptBytes an excerpt of it
    // that holds the match's start, with "…" where it was cut (at most
    // kExcerptBytes in all).
    QByteArray text;
};

constexpr qsizetype kExcerptBytes = 4096;

// Every line of the file that contains needle (bytes, case counts), each
// once, in order; also the needle's Windows-1252 form when it differs.
// A cancelled job ends the search after the current match.
core::Outcome findInFile(const QString& name, const QString& needle,
                         const std::function<void(const Match&)>& found, core::Job& job);

struct Difference {
    qint64 line;
    QByteArray left, right;
};

// Line k against line k, to the end of the longer text (a line that only
// one text has is compared with an empty one).
core::Outcome compareFiles(const QString& first, const QString& second,
                           const std::function<void(const Difference&)>& differ, core::Job& job);

} // namespace tools
