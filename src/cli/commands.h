#pragma once
// tavtools-cli: the toolbox's engines for scripts and servers. Each command
// answers 0 on success, 1 on failure with the French message on stderr.

#include "core/errors.h"
#include "core/job.h"
#include "platform/end_requests.h"

#include <QByteArray>
#include <QStringList>

namespace cli {

// The job of a command, driven on the calling thread: a request to end
// (Ctrl+C, a terminal closed) stops it as Escape stops the window's, so
// that it leaves nothing half done. Once a command has run its job, a
// request that comes after the job is done ends nothing: the program is
// ending with the work's own answer.
class CommandJob : public core::DirectJob {
  public:
    CommandJob();

  private:
    platform::StopOnEndRequest m_stop;
    core::Job::OnThisThread m_here{*this};
};

// The message of an outcome that is no success: its text, or for a stop
// "Opération interrompue" (with `detail` after it when given); answers 1.
int failed(const core::Outcome& outcome, const QString& detail = {});

int runBackup(const QStringList& args);
int runRestore(const QStringList& args);
int runList(const QStringList& args);
int runVerify(const QStringList& args);
int runSplit(const QStringList& args);
int runJoin(const QStringList& args);
int runCrypt(const QStringList& args);
int runErase(const QStringList& args);
int runMove(const QStringList& args);
int runCopy(const QStringList& args);
int runDelete(const QStringList& args);
int runAttrib(const QStringList& args);
int runExtract(const QStringList& args);
int runMerge(const QStringList& args);
int runSort(const QStringList& args);
int runOccupation(const QStringList& args);
int runCatalogue(const QStringList& args);
int runDiskInfo(const QStringList& args);
int runDbf(const QStringList& args);
int runFind(const QStringList& args);
int runGrep(const QStringList& args);
int runCompare(const QStringList& args);
int runClean(const QStringList& args);
int runCpu(const QStringList& args);
int runMemory(const QStringList& args);
int runSysinfo(const QStringList& args);
int runApps(const QStringList& args);
int runTasks(const QStringList& args);
int runExports(const QStringList& args);
int runThumbnails(const QStringList& args);
// Runs "tavtools-pictures" (beside this program) with the same arguments.
int runPictureProgram(char** argv);

// Appends bytes with a tab, CR, LF or backslash written \t, \r, \n, \\,
// so that one entry stays one output line.
void appendEscaped(QByteArray& out, QByteArrayView bytes);
// True when every byte is printable ASCII other than a backslash: such
// bytes are valid UTF-8 and print as they are.
bool isPlainText(QByteArrayView bytes);

// Takes "--name value" out of args; false when the option is absent. An
// option without its value is an error ("option sans valeur : --name").
bool takeOption(QStringList& args, const QString& name, QString& value);
// Takes "--name" out of args; true when it was there.
bool takeFlag(QStringList& args, const QString& name);

// Prints the message on standard error and answers 1.
int fail(const QString& message);
void out(const QString& line);

} // namespace cli
